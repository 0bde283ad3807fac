#pragma once

#include <QDialog>
#include <QString>

class QLineEdit;

// "Site License Dialog": the technician types the site's licence number, which names the
// site's folder. Whatever reaches the box, typed, pasted or dropped, goes through the
// licence's key filter, so the folder is always one plain name under the data root.
class TSiteLicenseQueryForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSiteLicenseQueryForm(QWidget* owner = nullptr);

    QString text() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void EditBoxChange(const QString& edited);

    QLineEdit* EditBox = nullptr;
};
