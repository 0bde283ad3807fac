#include "TDlProgForm.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

TDlProgForm::TDlProgForm(QWidget* owner)
    : QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("DlProgForm"));
    setWindowTitle(QStringLiteral("Data Download"));
    setFixedSize(397, 135);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setFixedWidth(313);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(20);
    ProgressBar1->setFixedSize(241, 17);
    ProgressBar1->setTextVisible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(Label1, 0, Qt::AlignHCenter);
    layout->addSpacing(12);
    layout->addWidget(ProgressBar1, 0, Qt::AlignHCenter);
    layout->addStretch();

    // Not a Qt child of the owner: the workflow that creates the window frees it, so nobody
    // else may. The owner only places it and keeps it in front.
    if (owner) {
        const QWidget* top = owner->window();
        move(top->geometry().center() - rect().center());
        winId();
        if (QWindow* ownerWindow = top->windowHandle())
            windowHandle()->setTransientParent(ownerWindow);
    }
}

void TDlProgForm::setProgress(const QString& caption, const QString& stepText, int percent)
{
    setWindowTitle(caption);
    Label1->setText(stepText);
    // QProgressBar repaints itself synchronously on larger steps; the window promises not to
    // paint until its caller asks, so updates are only scheduled here.
    ProgressBar1->setUpdatesEnabled(false);
    ProgressBar1->setValue(std::clamp(percent, 0, 100));
    ProgressBar1->setUpdatesEnabled(true);
}

void TDlProgForm::show()
{
    QWidget::show();
}

void TDlProgForm::hide()
{
    QWidget::hide();
}

void TDlProgForm::repaint()
{
    QWidget::repaint();
}

void TDlProgForm::closeEvent(QCloseEvent* event)
{
    // Alt+F4 and the like: the operation behind the window decides when it goes.
    if (event->spontaneous())
        event->ignore();
    else
        event->accept();
}
