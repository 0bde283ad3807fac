#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the SFO number printed on the board's sticker: "SFO ", five digits, a blank and
// four digits, typed into a masked edit.
class TMaskedInputForm : public QDialog
{
    Q_OBJECT

public:
    explicit TMaskedInputForm(QWidget* owner);

    // The whole 14-character text of the edit, blanks where nothing was typed.
    QString text() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    void OKBtnClick();
    // Position of the first digit not typed yet, or -1.
    int firstMissingDigit() const;

    QLabel* Label1;
    QLineEdit* MaskEdit1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
