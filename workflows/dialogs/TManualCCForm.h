#pragma once

#include "ManualCC.h"

#include <QDialog>

#include <array>

class CalRecord;
class Operator;
class QLineEdit;

// "ManualCCForm": five calibration constants typed in from the meter's documentation. Every
// keystroke is checked against the box's range and a value in range goes into the record at
// once; a value out of range is refused with its message and the record keeps the last one.
class TManualCCForm : public QDialog
{
    Q_OBJECT
public:
    // record is edited in place; op shows the range messages.
    TManualCCForm(CalRecord& record, Operator& op, QWidget* owner = nullptr);

    QLineEdit* box(ManualCcInput::Box box) const;

    void FormShow();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The whole-number boxes' handlers, and the real-number boxes' (Tube Zero, Tube Factor).
    bool pipeDiamKeyPress(ManualCcInput::Box box, QChar typed);
    void meterIDChange(ManualCcInput::Box box, const QString& text);
    bool flowTubeZeroKeyPress(ManualCcInput::Box box, QChar typed);
    void flowTubeZeroChange(ManualCcInput::Box box, const QString& text);
    void checkChange(ManualCcInput::Box box, const QString& text);

    CalRecord& m_record;
    Operator& m_op;
    std::array<QLineEdit*, ManualCcInput::kBoxes.size()> m_boxes{};
    bool m_filling = false;
};
