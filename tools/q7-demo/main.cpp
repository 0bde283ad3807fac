// The program on simulated hardware, for development and training: the real program, started
// the way the real one is, with a simulated board on a pseudo-terminal and folder SD cards.
#include "DemoSession.h"
#include "Operator.h"
#include "ProgramMain.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QDir>

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv)
{
    DemoSession session(DemoSession::defaultRoot());

    ProgramOptions options;
    // Only the one running copy may remake the cards: a second start must not empty the
    // replacement card under the first.
    options.prepare = [&session](ProgramOptions& o) {
        QString error;
        if (!session.start(&error))
            throw std::runtime_error(error.toStdString());
        o.extraPorts = {session.devicePath()};
        o.dataRoot = session.root();
        o.volumes = &session.volumes();
        std::fprintf(stderr, "q7-demo: %s; data in %s\n", qUtf8Printable(session.describe()),
                     qUtf8Printable(QDir::toNativeSeparators(session.root())));
    };
    options.onMainWindow = [&session](TQ7UpgradeUtilityMainForm& window, Operator& op) {
        window.setWindowTitle(window.windowTitle() + QStringLiteral(" (simulated boards)"));
        session.addSimulationMenu(window, op);
        op.setStatus(session.describe());
    };
    return runUpgradeUtility(argc, argv, std::move(options));
}
