#include "TSelectSerialPortForm.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

TSelectSerialPortForm::TSelectSerialPortForm(std::function<QStringList()> listPorts, Remembered remembered,
                                             QWidget* owner)
    : QDialog(owner), m_listPorts(std::move(listPorts)), m_remembered(std::move(remembered))
{
    setObjectName("SelectSerialPortForm");
    setWindowTitle("Select Serial Port");

    auto* panel = new QFrame(this);
    panel->setFrameShape(QFrame::Box);
    m_combo = new QComboBox(panel);
    m_combo->setObjectName("AvailComportComboBox");
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(m_combo);

    auto* ok = new QPushButton("OK", this);
    ok->setObjectName("OKBtn");
    ok->setDefault(true);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("CancelBtn");
    auto* refresh = new QPushButton("Refresh", this);
    refresh->setObjectName("RefreshButton");
    refresh->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(refresh);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(panel);
    layout->addLayout(buttons);
    setFixedSize(305, 111);

    connect(ok, &QPushButton::clicked, this, &TSelectSerialPortForm::OKBtnClick);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(refresh, &QPushButton::clicked, this, &TSelectSerialPortForm::RefreshButtonClick);
    connect(m_combo, &QComboBox::currentIndexChanged, this,
            &TSelectSerialPortForm::AvailComportComboBoxChange);

    fillList();
    QCoreApplication::processEvents();
}

void TSelectSerialPortForm::fillList()
{
    const QSignalBlocker quiet(m_combo);
    m_combo->clear();
    if (m_listPorts)
        m_combo->addItems(m_listPorts());
    selectedPort = m_remembered.read ? m_remembered.read() : QString();
    if (m_combo->count() == 0)
        return;
    // Port names are not case sensitive where the remembered "Com4" comes from; an exact match
    // still wins, for device paths that differ only in letter case.
    int remembered = selectedPort.isEmpty() ? -1 : m_combo->findText(selectedPort);
    if (remembered < 0 && !selectedPort.isEmpty())
        remembered = m_combo->findText(selectedPort, Qt::MatchFixedString);
    m_combo->setCurrentIndex(remembered >= 0 ? remembered : 0);
    // What OK returns is the entry the technician sees, not a remembered port that is gone.
    selectedPort = m_combo->currentText();
}

void TSelectSerialPortForm::RefreshButtonClick()
{
    fillList();
}

void TSelectSerialPortForm::AvailComportComboBoxChange(int index)
{
    QCoreApplication::processEvents();
    selectedPort = m_combo->itemText(index);
    QCoreApplication::processEvents();
}

void TSelectSerialPortForm::OKBtnClick()
{
    accept();
}

void TSelectSerialPortForm::done(int result)
{
    if (m_remembered.write)
        m_remembered.write(selectedPort);
    QDialog::done(result);
}
