#include "ManualCC.h"

#include "Backup.h"
#include "CalRecord.h"
#include "Clock.h"
#include "ImageImport.h"
#include "LinkOpening.h"
#include "Operator.h"
#include "Q7Port.h"
#include "Restore.h"
#include "SiteSelection.h"
#include "Totalisers.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <exception>
#include <memory>

namespace {

constexpr std::uint8_t kCalId = 4;

class ManualUpgrade
{
public:
    explicit ManualUpgrade(Workbench& bench) : m_bench(bench), m_op(bench.op()) {}
    ~ManualUpgrade() { end(); }

    enum class Outcome
    {
        Succeeded,
        Failed,
        // Detection failed or the port dialog was cancelled, or the report raised an error
        // (its message shown): no final message.
        Silent,
    };

    Outcome run()
    {
        const OpenedLink::Result opened = m_session.open(LinkPercentages{10, 15, 20});
        if (opened == OpenedLink::Result::NoPort)
            return Outcome::Silent;
        if (opened != OpenedLink::Result::Open)
            return Outcome::Failed;
        Q7Port& link = m_session.link();

        if (!selectSite(m_bench, &m_session.progress()))
            return Outcome::Failed;
        askHardwareRevision(m_bench, 1);
        m_bench.siteState.siteDataTouched = true;
        if (!queryTotalisers(m_bench))
            return Outcome::Failed;
        m_session.progress().show();

        if (!fetchRecords(link, m_session.progress(), m_bench.siteDataDir,
                          {"conf.bin", "cal.bin", "BasicCal.bin", {25, 50, 75}}))
            return Outcome::Failed;
        m_session.step(QStringLiteral("Retrieving Current Status"), 90);
        m_session.progress().hide();

        // The dialog edits a copy: on Cancel nothing typed may reach the board.
        auto& calArea = link.structures[kCalId];
        CalRecord cal = *CalRecord::fromBytes(std::span<const std::uint8_t>(calArea));
        if (!m_op.manualCc(cal))
            return Outcome::Failed;
        const auto edited = cal.bytes();
        calArea.assign(edited.begin(), edited.end());

        m_session.step(QStringLiteral("Waking Q7 board"), 0);
        if (!link.sendNullCommand())
            return Outcome::Failed;
        m_session.step(QStringLiteral("Setting access level"), 5);
        if (!link.setAccessLevel(3))
            return Outcome::Failed;
        link.setState(0);
        m_session.progress().show();
        // From here the board is out of its normal state; it is put back whatever follows,
        // except when the report raised an error.
        m_restoreState = true;

        if (!sendToBoard(m_bench, link, m_session.progress(), SendPercentages{15, 25, 50, 60, 70, 80}))
            return Outcome::Failed;

        if (postUpgradeReport(m_bench, link) == PostUpgradeReport::Raised) {
            m_restoreState = false;
            end();
            m_op.message(QStringLiteral("Failed to generate a report"));
            return Outcome::Silent;
        }
        recordReplacementBoard(m_bench, link, m_session.progress());
        m_session.progress().hide();
        m_bench.clock().processEvents();
        addImages(m_bench);
        return Outcome::Succeeded;
    }

    void end()
    {
        if (m_restoreState)
            m_session.link().setState(1);
        m_restoreState = false;
        m_bench.clock().processEvents();
        m_session.end();
    }

private:
    Workbench& m_bench;
    WorkflowOperator& m_op;
    ReplacementSession m_session{m_bench};
    bool m_restoreState = false;
};

} // namespace

bool manualConfigurationUpgrade(Workbench& bench)
{
    LoggedWorkflow logged(bench.sessionLog(), QStringLiteral("Manual configuration upgrade"));
    ManualUpgrade::Outcome outcome = ManualUpgrade::Outcome::Failed;
    try {
        ManualUpgrade upgrade(bench);
        outcome = upgrade.run();
    } catch (const std::exception& e) {
        // The site folder could not be made: no result message follows the error box.
        bench.op().error(QString::fromStdString(e.what()));
        return false;
    }
    switch (outcome) {
    case ManualUpgrade::Outcome::Succeeded:
        bench.op().message(QStringLiteral("Upgrade process successfully completed.\nPlease shut down "
                                          "application before upgrading the next site."));
        bench.siteState.upgradeType |= SiteState::kManualConfiguration;
        bench.writeSummaryLineUntilWritten();
        return logged.result(true);
    case ManualUpgrade::Outcome::Failed:
        bench.op().message(QStringLiteral(
            "Upgrade process failed.\nPlease shut down application before upgrading the next site."));
        return false;
    case ManualUpgrade::Outcome::Silent:
        break;
    }
    return false;
}
