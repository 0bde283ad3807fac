#pragma once

#include "Operator.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The progress window of a long operation. The operation keeps running while it shows, so the
// window is never modal and the technician cannot close it.
class TDlProgForm : public QWidget, public Progress
{
    Q_OBJECT

public:
    // Created hidden, over the centre of owner (may be null).
    explicit TDlProgForm(QWidget* owner);

    // Caption, step text and bar position (held within 0 to 100), in this order. Changes
    // reach the screen when the caller repaints or lets pending messages run.
    void setProgress(const QString& caption, const QString& stepText, int percent) override;
    void show() override;
    void hide() override;
    void repaint() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* Label1;
    QProgressBar* ProgressBar1;
};
