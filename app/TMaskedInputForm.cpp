#include "TMaskedInputForm.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Literal "SFO ", five required digits, a literal blank, four required digits; a position not
// typed yet shows a blank and the literals are part of the text.
const QString kMask = QStringLiteral("SFO 99999 9999; ");
constexpr int kDigitPositions[] = {4, 5, 6, 7, 8, 10, 11, 12, 13};
} // namespace

TMaskedInputForm::TMaskedInputForm(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("MaskedInputForm"));
    setWindowTitle(QStringLiteral("SFO Number Dialog"));
    setFixedSize(347, 127);

    auto* frame = new QFrame(this);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);

    Label1 = new QLabel(
        QStringLiteral("Please enter the SFO number(\"SFO ##### ####\"), this number is located on "
                       "a white sticker on the Q7 board."),
        frame);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    MaskEdit1 = new QLineEdit(frame);
    MaskEdit1->setObjectName(QStringLiteral("MaskEdit1"));
    MaskEdit1->setInputMask(kMask);
    MaskEdit1->setMaxLength(14);
    MaskEdit1->setText(QStringLiteral("SFO") + QString(11, QLatin1Char(' ')));

    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->addWidget(Label1);
    frameLayout->addWidget(MaskEdit1);

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addLayout(buttons);

    connect(OKBtn, &QPushButton::clicked, this, &TMaskedInputForm::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

QString TMaskedInputForm::text() const
{
    // text() would drop the blanks of untyped positions; the caller gets all 14 characters.
    return MaskEdit1->displayText();
}

void TMaskedInputForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TMaskedInputForm::FormShow()
{
    MaskEdit1->setFocus();
    MaskEdit1->setCursorPosition(kDigitPositions[0]);
}

int TMaskedInputForm::firstMissingDigit() const
{
    const QString shown = MaskEdit1->displayText();
    for (int position : kDigitPositions)
        if (position >= shown.size() || !shown.at(position).isDigit())
            return position;
    return -1;
}

void TMaskedInputForm::OKBtnClick()
{
    // Only what the technician edited is checked; the untouched dialog answers with its
    // blank template, which the report prints as it is.
    if (MaskEdit1->isModified()) {
        const int missing = firstMissingDigit();
        if (missing >= 0) {
            QApplication::beep();
            QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                            QStringLiteral("Invalid input value.  Use escape key to abandon changes"),
                            QMessageBox::Ok, this);
            box.exec();
            MaskEdit1->setFocus();
            MaskEdit1->setCursorPosition(missing);
            return;
        }
    }
    accept();
}
