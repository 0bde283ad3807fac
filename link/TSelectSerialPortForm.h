#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QComboBox;
class QPushButton;

// "Select Serial Port": the technician picks the board's port from the ports that exist now.
// The remembered port (settings key Comport) is preselected, and whatever is selected when
// the dialog closes, by any way, is remembered again.
class TSelectSerialPortForm : public QDialog
{
    Q_OBJECT
public:
    // Where the remembered port lives; the caller binds these to its settings file.
    struct Remembered
    {
        std::function<QString()> read;
        std::function<void(const QString&)> write;
    };

    TSelectSerialPortForm(std::function<QStringList()> listPorts, Remembered remembered,
                          QWidget* owner = nullptr);

    QString selectedPort;

    void RefreshButtonClick();
    void AvailComportComboBoxChange(int index);
    void OKBtnClick();

protected:
    void done(int result) override;

private:
    void fillList();

    std::function<QStringList()> m_listPorts;
    Remembered m_remembered;
    QComboBox* m_combo = nullptr;
};
