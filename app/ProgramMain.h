#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Clock;
class Operator;
class TQ7UpgradeUtilityMainForm;
class VolumeWatch;

// What may differ between the program and a launcher that runs it on other hardware (the
// demo on simulated boards). The program itself runs with every option left unset.
struct ProgramOptions
{
    // Called once this copy holds the single-instance lock and before anything is made, so a
    // launcher sets up the hardware it owns only when it is the one copy running; it may fill
    // in the options below. An exception it throws is shown, and the program ends with 1.
    std::function<void(ProgramOptions&)> prepare;
    // Devices to list and probe beside the platform's own serial ports.
    QStringList extraPorts;
    // The folder the data folder tree is made under; the platform's per-user location when
    // unset.
    std::optional<QString> dataRoot;
    // Reports SD cards; the platform's watch of mounted volumes when null.
    VolumeWatch* volumes = nullptr;
    // The clock every wait of the program reads; the system's when null. Only simulated
    // boards may be given one that skips fixed waits: a real board needs its reboot minute.
    Clock* clock = nullptr;
    // Called once with the constructed main window, before it is shown.
    std::function<void(TQ7UpgradeUtilityMainForm&, Operator&)> onMainWindow;
};

// The program from start to end: the application object, the single-instance rule, the
// main window and the event loop. Returns the exit code.
int runUpgradeUtility(int argc, char** argv, ProgramOptions options = {});
