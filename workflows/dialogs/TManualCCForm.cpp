#include "TManualCCForm.h"

#include "CalRecord.h"
#include "Operator.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

using ManualCcInput::Box;

const char* boxName(Box box)
{
    switch (box) {
    case Box::MeterId:
        return "meterID";
    case Box::PipeDiameter:
        return "pipeDiam";
    case Box::CoilCurrent:
        return "coilCurrent";
    case Box::TubeZero:
        return "flowTubeZero";
    case Box::TubeFactor:
        break;
    }
    return "flowTubeFactor4";
}

bool isRealBox(Box box)
{
    return box == Box::TubeZero || box == Box::TubeFactor;
}

std::size_t indexOf(Box box)
{
    return static_cast<std::size_t>(box);
}

} // namespace

TManualCCForm::TManualCCForm(CalRecord& record, Operator& op, QWidget* owner)
    : QDialog(owner), m_record(record), m_op(op)
{
    setObjectName(QStringLiteral("ManualCCForm"));
    setWindowTitle(QStringLiteral("ManualCCForm"));

    auto* form = new QFormLayout;
    for (const Box b : ManualCcInput::kBoxes) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(boxName(b)));
        edit->setAlignment(Qt::AlignRight);
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::textChanged, this, [this, b](const QString& text) {
            if (isRealBox(b))
                flowTubeZeroChange(b, text);
            else
                meterIDChange(b, text);
        });
        m_boxes[indexOf(b)] = edit;
        form->addRow(ManualCcInput::caption(b), edit);
    }

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OKBtn"));
    ok->setDefault(true);
    QPushButton* cancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // The technician's documents list the pipe diameter first.
    setTabOrder(box(Box::PipeDiameter), box(Box::MeterId));
    setTabOrder(box(Box::MeterId), box(Box::CoilCurrent));
    setTabOrder(box(Box::CoilCurrent), box(Box::TubeZero));
    setTabOrder(box(Box::TubeZero), box(Box::TubeFactor));
    setTabOrder(box(Box::TubeFactor), ok);
    setTabOrder(ok, cancel);
}

QLineEdit* TManualCCForm::box(Box b) const
{
    return m_boxes[indexOf(b)];
}

void TManualCCForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    FormShow();
    box(Box::PipeDiameter)->setFocus();
}

void TManualCCForm::FormShow()
{
    // The board's own values go through the same checks as typing, so one out of range is
    // reported at once; but they are not stored back, since the box shows a float to five
    // decimals and storing that text would change the board's calibration without anyone
    // having typed a thing.
    m_filling = true;
    for (const Box b : ManualCcInput::kBoxes)
        box(b)->setText(ManualCcInput::boxText(b, m_record));
    m_filling = false;
}

bool TManualCCForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // Keys that move the focus or close the dialog are not characters for the box.
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return QDialog::eventFilter(watched, event);
    default:
        break;
    }
    if (key->text().isEmpty())
        return QDialog::eventFilter(watched, event);
    for (const Box b : ManualCcInput::kBoxes) {
        if (watched != box(b))
            continue;
        const QChar typed = key->text().front();
        const bool accepted = isRealBox(b) ? flowTubeZeroKeyPress(b, typed) : pipeDiamKeyPress(b, typed);
        return !accepted;
    }
    return QDialog::eventFilter(watched, event);
}

bool TManualCCForm::pipeDiamKeyPress(Box b, QChar typed)
{
    return ManualCcInput::acceptsKey(b, box(b)->text(), typed);
}

bool TManualCCForm::flowTubeZeroKeyPress(Box b, QChar typed)
{
    return ManualCcInput::acceptsKey(b, box(b)->text(), typed);
}

void TManualCCForm::meterIDChange(Box b, const QString& text)
{
    checkChange(b, text);
}

void TManualCCForm::flowTubeZeroChange(Box b, const QString& text)
{
    checkChange(b, text);
}

void TManualCCForm::checkChange(Box b, const QString& text)
{
    const ManualCcInput::Change change = ManualCcInput::checkText(b, text, m_record, !m_filling);
    if (change.result == ManualCcInput::Change::Result::OutOfRange)
        m_op.message(change.message);
}
