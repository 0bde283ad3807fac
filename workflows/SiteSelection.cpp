#include "SiteSelection.h"

#include "Operator.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QDir>
#include <QFileInfo>

#include <stdexcept>

namespace {
constexpr char16_t kBackspace = 8;
constexpr char16_t kCode12 = 12;
} // namespace

std::optional<QChar> licenseKey(QChar typed)
{
    const char16_t c = typed.unicode();
    if ((c >= u'0' && c <= u'9') || c == kBackspace || c == kCode12)
        return typed;
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return typed;
    if (c == u'.' || c == u'_')
        return QChar(u'_');
    return std::nullopt;
}

QString filterLicense(const QString& text)
{
    QString box;
    for (const QChar typed : text) {
        const auto kept = licenseKey(typed);
        if (!kept)
            continue;
        if (kept->unicode() == kBackspace)
            box.chop(1);
        else if (kept->unicode() != kCode12)
            box.append(*kept);
    }
    return box;
}

bool selectSite(Workbench& bench, Progress* window)
{
    if (window)
        window->hide();
    if (!bench.siteLicense.isEmpty()) {
        if (window)
            window->show();
        return true;
    }

    const auto noSite = [&bench] {
        bench.siteLicense.clear();
        bench.setSiteItemsEnabled(false);
        return false;
    };

    const std::optional<QString> answer = bench.op().siteLicense();
    if (!answer)
        return noSite();
    // Whatever reached the box, typed or pasted, has been through the same filter: the licence
    // names a folder directly under the data root and nothing else.
    const QString typed = filterLicense(*answer);
    bench.siteLicense = typed.toUpper();
    if (bench.siteLicense.isEmpty())
        return noSite();

    const QString folder = bench.dataFolderRoot + typed;
    bench.siteDataDir = folder;
    if (!QFileInfo(folder).isDir()) {
        if (!QDir().mkdir(folder)) {
            noSite();
            throw std::runtime_error("Cannot create data directory.");
        }
    } else {
        const auto overwrite = bench.op().message(
            QStringLiteral(
                "Directory exists, files will be over written.\nAre you sure you want to continue?"),
            QStringLiteral("Warning"), Operator::Buttons::YesNo);
        if (overwrite != Operator::Answer::Yes)
            return noSite();
    }
    bench.siteDataDir += QLatin1Char('/');
    bench.setCaption(QStringLiteral("Q7 Upgrade Utility") +
                     QStringLiteral("   Site License/Data Directory = ") + bench.siteLicense);
    bench.siteState = SiteState{};
    // From here the session log has a folder; what waited for one goes there now.
    bench.sessionLog().add(QStringLiteral("Site selected: ") + bench.siteLicense);
    bench.setSiteItemsEnabled(true);
    if (window)
        window->show();
    return true;
}
