#pragma once

#include "Q7Data.h"

#include <QDialog>

#include <array>

class QLineEdit;
class QPushButton;

// "Totalisers Input Query": the ten totals read off the meter and typed in, when the existing
// board cannot be reached. The boxes take digits and one decimal mark; OK converts them all
// or, when one does not convert, ends the dialog as cancelled.
class TTotalisersInputForm : public QDialog
{
    Q_OBJECT
public:
    explicit TTotalisersInputForm(QWidget* owner = nullptr);

    // In slot order; shown on show, replaced by the converted boxes on OK.
    std::array<float, Q7Data::Totalisers::kCount> values{};

    void OKBtnClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormShow();
    // Shared by all ten boxes: true when the key is discarded.
    bool ForwardTotalEBKeyPress(QLineEdit* box, QChar key);
    void ForwardTotalEBChange(QLineEdit* box);

    std::array<QLineEdit*, Q7Data::Totalisers::kCount> m_boxes{};
    QPushButton* m_ok = nullptr;
};
