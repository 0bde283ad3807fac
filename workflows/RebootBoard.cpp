#include "Restore.h"

#include "Clock.h"
#include "Operator.h"
#include "Q7Port.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <algorithm>
#include <memory>

namespace {
constexpr int kRebootWaitMs = 60000;
constexpr std::uint8_t kRebootCommand = 67;
} // namespace

bool rebootBoard(Workbench& bench, Q7Port& link)
{
    const QString caption = QStringLiteral("Q7 Rebooting");
    const QString waiting = QStringLiteral("Waiting for Reboot process to complete");
    Clock& clock = bench.clock();
    std::unique_ptr<Progress> progress = bench.op().createProgress();
    progress->show();
    progress->setProgress(caption, QStringLiteral("Sending Reboot Command"), 0);

    bool result = false;
    if (!link.sendSimpleCommand(kRebootCommand)) {
        bench.op().setStatus(QStringLiteral("Reboot Command FAILED"));
    } else {
        progress->setProgress(caption, waiting, 0);
        const std::int64_t deadline = clock.msecs() + kRebootWaitMs;
        int shown = 0;
        for (std::int64_t remaining = deadline - clock.msecs(); remaining > 0;
             remaining = deadline - clock.msecs()) {
            const int seconds = 60 - static_cast<int>(remaining / 1000);
            const int percent = seconds * 100 / 60;
            if (percent != shown) {
                progress->setProgress(caption, waiting, percent);
                shown = percent;
            }
            // Up to the next whole second of the remaining time, the only moment the
            // percentage can change; the fixed wait keeps the window responsive meanwhile.
            clock.delay(untilNextWholeSecond(remaining));
        }
        result = link.sendNullCommand();
    }
    progress->hide();
    return result;
}
