#include "Flows.h"

#include "ImageImport.h"
#include "Operator.h"
#include "SdCardTransfer.h"
#include "SiteSelection.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <stdexcept>

namespace {

// The menu's file actions: the site first, with no window of their own, then the action; a site
// folder that cannot be made ends the action in the error box.
template <typename Action> void onSelectedSite(Workbench& bench, Action action)
{
    try {
        if (selectSite(bench))
            action(bench);
    } catch (const std::runtime_error& e) {
        bench.op().error(QString::fromUtf8(e.what()));
    }
}

} // namespace

namespace Flows {

void collectLogFiles(Workbench& bench)
{
    bench.setUpgradeButton(false, false);
    onSelectedSite(bench, collectSdLogFiles);
}

void sendLogFiles(Workbench& bench)
{
    bench.setUpgradeButton(false, false);
    onSelectedSite(bench, sendSdLogFiles);
}

void addImagesToFolder(Workbench& bench)
{
    // addImages hides the button itself, once the site is known.
    onSelectedSite(bench, addImages);
}

} // namespace Flows
