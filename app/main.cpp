#include "AppFolders.h"
#include "Clock.h"
#include "FileBrowser.h"
#include "ManualVolumeWatch.h"
#include "Q7Application.h"
#include "QtOperator.h"
#include "SettingsFile.h"
#include "SingleInstance.h"
#include "StartUp.h"
#include "TQ7UpgradeUtilityMainForm.h"

int main(int argc, char** argv)
{
    Q7Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Q7UpgradeUtility"));
    QtOperator op;
    app.setOperator(&op);

    SingleInstance instance;
    AppFolders folders;
    DesktopFileBrowser fileBrowser;
    // Cards are reported by hand until the platform's volume watch is in place.
    ManualVolumeWatch volumes;

    return startUp(
        op, instance,
        [&]() -> std::unique_ptr<QWidget> {
            auto window = std::make_unique<TQ7UpgradeUtilityMainForm>(MainFormServices{
                op, SystemClock::instance(), folders, fileBrowser, volumes, SettingsFile::defaultPath()});
            op.setOwner(window.get());
            return window;
        },
        [] { return QApplication::exec(); });
}
