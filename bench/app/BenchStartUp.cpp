// The program's start and its idle waiting, with its own window:
//   bench_startup start   time from the launch to the main window painted (P5); the launcher
//                         passes its launch moment in Q7_BENCH_LAUNCHED_NS (CLOCK_REALTIME),
//                         otherwise the time is counted from main()
//   bench_startup wait    CPU the program uses while it waits out the 60-s reboot wait with
//                         its window up, on the real clock, after rebooting a simulated board
//                         in this process (P3)
#include "BenchLine.h"
#include "Clock.h"
#include "ProgramMain.h"
#include "Q7Port.h"
#include "Restore.h"
#include "SimulatedBoard.h"
#include "TQ7UpgradeUtilityMainForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>

namespace {
std::int64_t realtimeNs()
{
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return std::int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

double cpuSeconds()
{
    rusage use{};
    getrusage(RUSAGE_SELF, &use);
    return double(use.ru_utime.tv_sec + use.ru_stime.tv_sec) +
           double(use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e6;
}

// Runs `then` once, after the window's first paint.
class FirstPaint : public QObject
{
public:
    FirstPaint(std::function<void()> then) : m_then(std::move(then)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && m_then) {
            auto then = std::move(m_then);
            m_then = nullptr;
            QTimer::singleShot(0, this, then);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_then;
};

void waitWithTheWindowUp(TQ7UpgradeUtilityMainForm& window)
{
    // The operator's name has been given long before a reboot wait: its prompt stays away.
    if (auto* prompt = window.findChild<QTimer*>(QStringLiteral("StartupTimer")))
        prompt->stop();
    sim::SimulatedBoard board;
    QString error;
    if (!board.start(&error)) {
        std::fprintf(stderr, "bench_startup: the simulated board did not start: %s\n", qPrintable(error));
        return;
    }
    Q7Port link(SystemClock::instance());
    window.bench().connectLinkEvents(link);
    if (!link.OpenPort(board.devicePath(), 9600)) {
        std::fprintf(stderr, "bench_startup: %s did not open\n", qPrintable(board.devicePath()));
        return;
    }
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    const bool answered = rebootBoard(window.bench(), link);
    const double cpu = cpuSeconds() - cpu0;
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    printBenchLine("P3",
                   QString("CPU while the reboot wait runs with the window up: %1 % of a core (%2 ms CPU "
                           "in %3 s, the board %4 after it)")
                       .arg(cpu / seconds * 100.0, 0, 'f', 3)
                       .arg(cpu * 1000.0, 0, 'f', 1)
                       .arg(seconds, 0, 'f', 1)
                       .arg(answered ? QStringLiteral("answered") : QStringLiteral("did not answer")),
                   "< 0.5 %");
}
} // namespace

int main(int argc, char** argv)
{
    const std::int64_t launched = qEnvironmentVariableIsSet("Q7_BENCH_LAUNCHED_NS")
                                      ? qgetenv("Q7_BENCH_LAUNCHED_NS").toLongLong()
                                      : realtimeNs();
    const bool wait = argc > 1 && std::strcmp(argv[1], "wait") == 0;
    QTemporaryDir data;
    ProgramOptions options;
    options.dataRoot = data.path();
    FirstPaint* painted = nullptr;
    options.onMainWindow = [&](TQ7UpgradeUtilityMainForm& window, Operator&) {
        painted = new FirstPaint([&window, wait, launched] {
            if (wait) {
                waitWithTheWindowUp(window);
            } else {
                const double ms = double(realtimeNs() - launched) / 1e6;
                printBenchLine("P5",
                               QString("cold start to the main window painted %1 ms").arg(ms, 0, 'f', 0),
                               "< 400 ms");
            }
            window.close();
        });
        painted->setParent(&window);
        window.installEventFilter(painted);
    };
    return runUpgradeUtility(argc, argv, options);
}
