#pragma once

#include <QDialog>

class QComboBox;
class TVaComm;

// "COM port configuration": the serial component's own settings dialog, shown when a link is
// opened on port number 0. OK writes the choices into the component.
class TVaCommConfigForm : public QDialog
{
public:
    explicit TVaCommConfigForm(TVaComm& comm, QWidget* parent = nullptr);

    static void configure(TVaComm& comm, QWidget* parent = nullptr);

    void apply();

private:
    TVaComm& m_comm;
    QComboBox* m_port = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_dataBits = nullptr;
    QComboBox* m_stopBits = nullptr;
    QComboBox* m_flow = nullptr;
};
