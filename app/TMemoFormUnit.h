#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

// Free-text comments for the report.
class TMemoFormUnit : public QDialog
{
    Q_OBJECT

public:
    explicit TMemoFormUnit(QWidget* owner);

    // The typed lines; none for an empty memo, and a final line break adds no empty line.
    QStringList lines() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();

    QPlainTextEdit* Memo1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
};
