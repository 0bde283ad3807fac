#pragma once

#include <QString>
#include <QStringList>

// The serial ports a workflow may probe or offer: the platform's own ports and any device
// paths the caller adds (a simulator's pseudo-terminal, an adapter the platform does not
// list). Board detection and the port dialog both list through one, so a front end decides
// once which devices take part.
class Ports
{
public:
    virtual ~Ports() = default;
    // The ports that can be opened now, in listing order; one another program holds is left out.
    virtual QStringList availablePorts() const = 0;
    // For each listed port this user is not allowed to open, the text that says so
    // (portAccessProblem); a technician who sees only "no board" would look for a cable fault.
    virtual QStringList accessProblems() const { return {}; }
};

// Why this user may not open the device, naming it and who may (on Linux the device's group,
// e.g. dialout, which the user joins and then logs out and in); empty when the device is
// missing or its permissions allow this user to open it.
QString portAccessProblem(const QString& device);

class SerialPorts : public Ports
{
public:
    enum class System
    {
        Included,
        Excluded
    };

    // extraDevices are listed after the platform's ports, in this order; tests exclude the
    // platform's ports so only their own devices take part.
    explicit SerialPorts(QStringList extraDevices = {}, System system = System::Included);

    QStringList availablePorts() const override;
    QStringList accessProblems() const override;

    const QStringList& extraDevices() const { return m_extra; }
    void addExtraDevice(const QString& device);

private:
    QStringList candidates() const;

    QStringList m_extra;
    System m_system;
};
