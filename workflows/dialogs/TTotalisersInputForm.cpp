#include "TTotalisersInputForm.h"

#include "Totalisers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

TTotalisersInputForm::TTotalisersInputForm(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("TotalisersInputForm"));
    setWindowTitle(QStringLiteral("Totalisers Input Query"));

    auto* heading = new QLabel(QStringLiteral("Totaliser values in Kilo Litres"), this);
    heading->setObjectName(QStringLiteral("Label1"));
    auto* grid = new QGridLayout;
    int row = 0;
    for (const int slot : TotalisersInput::kDialogOrder) {
        const TotalisersInput::Box& slotBox = TotalisersInput::kBoxes[static_cast<std::size_t>(slot)];
        auto* box = new QLineEdit(this);
        box->setObjectName(QLatin1String(slotBox.name));
        box->setAlignment(Qt::AlignRight);
        box->installEventFilter(this);
        connect(box, &QLineEdit::textEdited, this, [this, box] { ForwardTotalEBChange(box); });
        m_boxes[static_cast<std::size_t>(slot)] = box;
        grid->addWidget(new QLabel(QLatin1String(slotBox.caption), this), row, 0);
        grid->addWidget(box, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("KL"), this), row, 2);
        ++row;
    }

    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("OKBtn"));
    m_ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(m_ok, &QPushButton::clicked, this, &TTotalisersInputForm::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TTotalisersInputForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TTotalisersInputForm::FormShow()
{
    for (std::size_t slot = 0; slot < m_boxes.size(); ++slot)
        m_boxes[slot]->setText(TotalisersInput::formatValue(values[slot]));
    m_ok->setFocus();
}

bool TTotalisersInputForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* box = qobject_cast<QLineEdit*>(watched);
        const auto* key = static_cast<QKeyEvent*>(event);
        // Editing and movement keys carry no character; Return and Enter reach the dialog's
        // default button as in every other dialog.
        if (box && !key->text().isEmpty() && key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter &&
            key->text().at(0).isPrint())
            return ForwardTotalEBKeyPress(box, key->text().at(0));
    }
    return QDialog::eventFilter(watched, event);
}

bool TTotalisersInputForm::ForwardTotalEBKeyPress(QLineEdit* box, QChar key)
{
    // The box's text as it would be once the selection the key replaces is gone.
    QString text = box->text();
    if (box->hasSelectedText())
        text.remove(box->selectionStart(), box->selectedText().size());
    return !TotalisersInput::acceptsKey(text, key);
}

void TTotalisersInputForm::ForwardTotalEBChange(QLineEdit* box)
{
    // A paste or a drop bypasses the keys: the same filter, as if it had been typed.
    QString kept;
    for (const QChar c : box->text())
        if (TotalisersInput::acceptsKey(kept, c))
            kept.append(c);
    kept = TotalisersInput::afterChange(kept);
    if (kept != box->text())
        box->setText(kept);
}

void TTotalisersInputForm::OKBtnClick()
{
    std::array<QString, Q7Data::Totalisers::kCount> texts;
    for (std::size_t slot = 0; slot < m_boxes.size(); ++slot)
        texts[slot] = m_boxes[slot]->text();
    const auto converted = TotalisersInput::convert(texts, QLocale::system());
    if (!converted) {
        reject();
        return;
    }
    values = converted->values();
    accept();
}
