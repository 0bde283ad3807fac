#include "TVaCommConfigForm.h"

#include "Ports.h"
#include "TVaComm.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>

TVaCommConfigForm::TVaCommConfigForm(TVaComm& comm, QWidget* parent) : QDialog(parent), m_comm(comm)
{
    setWindowTitle("COM port configuration");
    auto* form = new QFormLayout(this);
    auto combo = [&](const char* name, const QStringList& items, int current) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->addItems(items);
        c->setCurrentIndex(current);
        return c;
    };
    m_port = new QComboBox(this);
    m_port->setObjectName("PortComboBox");
    m_port->setEditable(true);
    m_port->addItems(SerialPorts().availablePorts());
    m_port->setCurrentText(comm.PortName);
    QStringList rates;
    for (int r = brUser + 1; r <= br256000; ++r)
        rates << QString::number(TVaComm::baudRateValue(static_cast<TVaBaudrate>(r)));
    m_baud = combo("BaudComboBox", rates, std::max(0, int(comm.Baudrate) - 1));
    m_parity = combo("ParityComboBox", {"None", "Odd", "Even", "Mark", "Space"}, comm.Parity);
    m_dataBits = combo("DataBitsComboBox", {"4", "5", "6", "7", "8"}, comm.Databits);
    m_stopBits = combo("StopBitsComboBox", {"1", "1.5", "2"}, comm.Stopbits);
    const int flow = comm.FlowControl.XonXoffOut ? 2 : comm.FlowControl.OutCtsFlow ? 1 : 0;
    m_flow = combo("FlowComboBox", {"None", "Hardware (RTS/CTS)", "Software (XON/XOFF)"}, flow);
    form->addRow("COM port", m_port);
    form->addRow("Baud rate", m_baud);
    form->addRow("Parity", m_parity);
    form->addRow("Data bits", m_dataBits);
    form->addRow("Stop bits", m_stopBits);
    form->addRow("Flow control", m_flow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TVaCommConfigForm::apply()
{
    m_comm.PortName = m_port->currentText();
    m_comm.Baudrate = static_cast<TVaBaudrate>(m_baud->currentIndex() + 1);
    m_comm.Parity = static_cast<TVaParity>(m_parity->currentIndex());
    m_comm.Databits = static_cast<TVaDatabits>(m_dataBits->currentIndex());
    m_comm.Stopbits = static_cast<TVaStopbits>(m_stopBits->currentIndex());
    TVaFlowControl flow;
    flow.OutCtsFlow = m_flow->currentIndex() == 1;
    flow.ControlRts = m_flow->currentIndex() == 1 ? rtsHandshake : rtsDisabled;
    flow.XonXoffOut = flow.XonXoffIn = m_flow->currentIndex() == 2;
    m_comm.FlowControl = flow;
}

void TVaCommConfigForm::configure(TVaComm& comm, QWidget* parent)
{
    TVaCommConfigForm form(comm, parent);
    form.exec();
}
