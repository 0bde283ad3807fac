#include "ProgramMain.h"

#include "AppFolders.h"
#include "Clock.h"
#include "DesktopFileBrowser.h"
#include "PlatformVolumeWatch.h"
#include "Ports.h"
#include "Q7Application.h"
#include "QtOperator.h"
#include "SettingsFile.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "SummaryLog.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QIcon>

#include <optional>

int runUpgradeUtility(int argc, char** argv, ProgramOptions options)
{
    Q7Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7UpgradeUtility"));
    // The installed desktop entry and icon, so the desktop shows the program's own icon on its
    // windows; a copy run from the build folder finds no icon and keeps the default.
    QGuiApplication::setDesktopFileName(QStringLiteral("Q7UpgradeUtility"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("Q7UpgradeUtility")));
    QtOperator op;
    app.setOperator(&op);

    // Named after the executable, so a launcher with a name of its own never blocks the
    // program, nor the program it.
    SingleInstance instance;
    std::optional<AppFolders> folders;
    DesktopFileBrowser fileBrowser;
    std::unique_ptr<VolumeWatch> platformVolumes;
    SummaryLog summaryLog;
    std::optional<SerialPorts> ports;

    return startUp(
        op, instance,
        [&]() -> std::unique_ptr<QWidget> {
            if (options.prepare)
                options.prepare(options);
            folders = options.dataRoot ? AppFolders(*options.dataRoot) : AppFolders();
            if (!options.volumes)
                platformVolumes = createPlatformVolumeWatch();
            VolumeWatch& volumes = options.volumes ? *options.volumes : *platformVolumes;
            const QString settingsPath = SettingsFile::defaultPath();
            ports.emplace(options.extraPorts);
            Clock& clock = options.clock ? *options.clock : SystemClock::instance();
            MainFormServices services{op, clock, *folders, fileBrowser, volumes, settingsPath};
            services.ports = &*ports;
            services.summaryLog = &summaryLog;
            auto window = std::make_unique<TQ7UpgradeUtilityMainForm>(services);
            op.setOwner(window.get());
            if (options.onMainWindow)
                options.onMainWindow(*window, op);
            return window;
        },
        [] { return QApplication::exec(); });
}
