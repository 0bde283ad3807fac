// The program on simulated hardware, for development and training: the real program, started
// the way the real one is, with a simulated board on a pseudo-terminal and folder SD cards,
// and a bench window beside it for the technician's hands.
//
//     q7-demo [--fast-waits]
//
// --fast-waits starts with the program's fixed waits shortened; the bench switches them.
#include "DemoClock.h"
#include "DemoSession.h"
#include "Operator.h"
#include "ProgramMain.h"
#include "SimulationBench.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <vector>

int main(int argc, char** argv)
{
    // Taken out before Qt sees the arguments: the program itself knows no such option.
    bool fastWaits = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && std::strcmp(argv[i], "--fast-waits") == 0)
            fastWaits = true;
        else
            args.push_back(argv[i]);
    }
    int count = int(args.size());
    args.push_back(nullptr);

    DemoSession session(DemoSession::defaultRoot());
    DemoClock clock(fastWaits);

    ProgramOptions options;
    options.clock = &clock;
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
    options.onMainWindow = [&session, &clock](TQ7UpgradeUtilityMainForm& window, Operator& op) {
        window.setWindowTitle(window.windowTitle() + QStringLiteral(" (simulated boards)"));
        // Owned by the window, so it goes when the program ends.
        auto* bench = new SimulationBench(session, op, &clock, &window);
        bench->addMenuTo(window);
        // Once the main window is up, which the event loop's first pass follows.
        QTimer::singleShot(0, bench, [bench, &window] {
            bench->show();
            bench->placeBeside(window);
        });
    };
    return runUpgradeUtility(count, args.data(), std::move(options));
}
