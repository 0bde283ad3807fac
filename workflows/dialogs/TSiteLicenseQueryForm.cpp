#include "TSiteLicenseQueryForm.h"

#include "SiteSelection.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TSiteLicenseQueryForm::TSiteLicenseQueryForm(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("SiteLicenseQueryForm"));
    setWindowTitle(QStringLiteral("Site License Dialog"));

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Box);
    auto* label = new QLabel(QStringLiteral("Enter Site License"), panel);
    label->setObjectName(QStringLiteral("Label1"));
    EditBox = new QLineEdit(panel);
    EditBox->setObjectName(QStringLiteral("EditBox"));
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->addWidget(label);
    panelLayout->addWidget(EditBox);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(EditBox, &QLineEdit::textEdited, this, &TSiteLicenseQueryForm::EditBoxChange);
}

QString TSiteLicenseQueryForm::text() const
{
    return EditBox->text();
}

void TSiteLicenseQueryForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    EditBox->setFocus();
}

void TSiteLicenseQueryForm::EditBoxChange(const QString& edited)
{
    // Every edit, a typed key as much as a paste, is filtered as if typed one key at a time;
    // the cursor stays after what was kept of the text before it.
    const QString kept = filterLicense(edited);
    if (kept == edited)
        return;
    const int cursor = static_cast<int>(filterLicense(edited.left(EditBox->cursorPosition())).size());
    EditBox->setText(kept);
    EditBox->setCursorPosition(cursor);
}
