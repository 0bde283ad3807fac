// q7ctl sd-collect, sd-send, images: the program's SD-card transfers and photograph import on
// a workbench of their own, with the technician's answers given as options. A run is one run of
// the program: the site is selected first, and the end writes the summary line if one is due.

#include "AppFolders.h"
#include "Clock.h"
#include "ConsoleOperator.h"
#include "CtlCommand.h"
#include "ImageImport.h"
#include "ManualVolumeWatch.h"
#include "PlatformVolumeWatch.h"
#include "Ports.h"
#include "SdCardTransfer.h"
#include "SiteSelection.h"
#include "SummaryLog.h"
#include "Workbench.h"
#include "WorkflowOperator.h"

#include <QDir>
#include <QFileInfo>

#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// Prints every text it is shown and answers from the options: OK to every box, Yes to the
// overwrite question only with --yes, Yes to the photographs question, the licence and the
// files from the command line. cardInserted runs when the technician is told to insert the card.
class FilesOperator : public WorkflowOperator
{
public:
    FilesOperator(QTextStream& err, QString licence, bool yes, QStringList files)
        : m_console(err), m_licence(std::move(licence)), m_yes(yes), m_files(std::move(files))
    {
    }

    std::function<void()> cardInserted;
    bool errorShown = false;

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon) override
    {
        m_console.message(text, caption, Buttons::Ok, Icon::None);
        switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
        case Buttons::RetryCancel:
            if (cardInserted)
                cardInserted();
            return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            break;
        }
        if (caption == QStringLiteral("Images"))
            return Answer::Yes;
        return m_yes ? Answer::Yes : Answer::No;
    }
    void error(const QString& text) override
    {
        errorShown = true;
        m_console.error(text);
    }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    PortChoice selectPort(const QStringList&, const QString& preselected) override
    {
        return {preselected, false};
    }
    std::unique_ptr<Progress> createProgress() override { return m_console.createProgress(); }
    void setStatus(const QString&) override {}
    std::optional<QString> sfoNumber() override { return {}; }
    std::optional<QStringList> comments() override { return {}; }
    void showPreview(const PagedDocument&, const QString&) override {}
    std::optional<QString> siteLicense() override { return m_licence; }
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers&) override { return {}; }
    bool manualCc(CalRecord&) override { return false; }
    QStringList openFiles(const QString&, const QString&) override { return m_files; }

private:
    ConsoleOperator m_console;
    QString m_licence;
    bool m_yes;
    QStringList m_files;
};

enum class Kind
{
    Collect,
    Send,
    Images
};

const char* usageOf(Kind kind)
{
    // --data DIR: the folder the program's data tree (Q7UpgradeUtility/Data) is made under.
    return kind == Kind::Images ? "--data DIR --licence TEXT [--yes] FILE..."
                                : "--data DIR --licence TEXT [--yes] (--card DIR | --watch)";
}

int run(Kind kind, const QString& name, q7ctl::Args& args, q7ctl::Io& io)
{
    const auto data = args.option("--data");
    const auto licence = args.option("--licence");
    const bool yes = args.flag("--yes");
    const auto card = kind == Kind::Images ? std::nullopt : args.option("--card");
    const bool watch = kind != Kind::Images && args.flag("--watch");
    if (const auto unknown = args.unknownOption())
        return q7ctl::fail(io, "unknown option " + *unknown, q7ctl::Usage);
    const QStringList files = args.positional();
    const bool cardGiven = kind == Kind::Images || (card.has_value() != watch);
    const bool filesRight = (kind == Kind::Images) ? !files.isEmpty() : files.isEmpty();
    if (!data || !licence || !cardGiven || !filesRight)
        return q7ctl::fail(io, "usage: q7ctl " + name + ' ' + usageOf(kind), q7ctl::Usage);
    if (!QFileInfo(*data).isDir())
        return q7ctl::fail(io, "no folder " + *data);

    QStringList absolute;
    for (const QString& file : files)
        absolute << QFileInfo(file).absoluteFilePath();
    FilesOperator op(io.err, *licence, yes, absolute);
    ManualVolumeWatch folders;
    std::unique_ptr<VolumeWatch> mounts = watch ? createPlatformVolumeWatch() : nullptr;
    VolumeWatch& volumes = mounts ? *mounts : static_cast<VolumeWatch&>(folders);
    if (!volumes.start())
        return q7ctl::fail(io, "volumes cannot be watched on this system");
    if (card) {
        const QString root = QFileInfo(*card).absoluteFilePath();
        // Each attempt's card is a fresh insertion.
        op.cardInserted = [&folders, root] {
            folders.remove(root);
            folders.insert(root);
        };
    }

    SerialPorts ports({}, SerialPorts::System::Excluded);
    AppFolders appFolders(QFileInfo(*data).absoluteFilePath());
    SummaryLog summaryLog;
    std::unique_ptr<Workbench> bench;
    try {
        // The settings of the program are not q7ctl's: an INI that never exists leaves the defaults.
        bench = std::make_unique<Workbench>(WorkbenchServices{op, SystemClock::instance(), ports, volumes,
                                                              appFolders, QString(), &summaryLog});
    } catch (const std::runtime_error& e) {
        return q7ctl::fail(io, QString::fromUtf8(e.what()));
    }

    bool done = false;
    try {
        if (selectSite(*bench)) {
            switch (kind) {
            case Kind::Collect:
                done = collectSdLogFiles(*bench);
                break;
            case Kind::Send:
                done = sendSdLogFiles(*bench);
                break;
            case Kind::Images:
                addImages(*bench);
                done = !op.errorShown;
                break;
            }
        }
    } catch (const std::runtime_error& e) {
        op.error(QString::fromUtf8(e.what()));
    }

    // What closing the program does, except that nobody is there to free a log held open.
    if (bench->siteState.siteDataTouched && !bench->siteState.summaryLogged) {
        const SummaryLogWriterResult written = bench->writeSummaryLine();
        if (!written.written) {
            io.err << "q7ctl: " << written.message << '\n' << written.line << Qt::endl;
            return q7ctl::Failed;
        }
    }
    return done ? q7ctl::Ok : q7ctl::Failed;
}

int sdCollect(q7ctl::Args& args, q7ctl::Io& io)
{
    return run(Kind::Collect, QStringLiteral("sd-collect"), args, io);
}
int sdSend(q7ctl::Args& args, q7ctl::Io& io)
{
    return run(Kind::Send, QStringLiteral("sd-send"), args, io);
}
int images(q7ctl::Args& args, q7ctl::Io& io)
{
    return run(Kind::Images, QStringLiteral("images"), args, io);
}

const q7ctl::Register kCollect({QStringLiteral("sd-collect"), usageOf(Kind::Collect), sdCollect});
const q7ctl::Register kSend({QStringLiteral("sd-send"), usageOf(Kind::Send), sdSend});
const q7ctl::Register kImages({QStringLiteral("images"), usageOf(Kind::Images), images});

} // namespace
