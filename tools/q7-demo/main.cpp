// The program on simulated hardware, for development and training: the real program, started
// the way the real one is, with a simulated board on a pseudo-terminal and folder SD cards.
#include "DemoSession.h"
#include "Operator.h"
#include "ProgramMain.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QDir>

#include <cstdio>

int main(int argc, char** argv)
{
    DemoSession session(DemoSession::defaultRoot());
    QString error;
    if (!session.start(&error)) {
        std::fprintf(stderr, "q7-demo: %s\n", qUtf8Printable(error));
        return 1;
    }

    ProgramOptions options;
    options.extraPorts = {session.devicePath()};
    options.dataRoot = session.root();
    options.volumes = &session.volumes();
    options.onMainWindow = [&session](TQ7UpgradeUtilityMainForm& window, Operator& op) {
        window.setWindowTitle(window.windowTitle() + QStringLiteral(" (simulated boards)"));
        session.addSimulationMenu(window, op);
        op.setStatus(session.describe());
    };
    std::fprintf(stderr, "q7-demo: %s; data in %s\n", qUtf8Printable(session.describe()),
                 qUtf8Printable(QDir::toNativeSeparators(session.root())));
    return runUpgradeUtility(argc, argv, std::move(options));
}
