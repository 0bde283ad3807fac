#include "WorkflowConsole.h"

#include "AppFolders.h"
#include "Backup.h"
#include "Clock.h"
#include "ManualVolumeWatch.h"
#include "Ports.h"
#include "SettingsFile.h"
#include "SiteSelection.h"
#include "Totalisers.h"
#include "Workbench.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <exception>
#include <stdexcept>

namespace q7ctl {

namespace {

// More than this many times the same question in a row: the options cannot answer it.
constexpr int kMaxRepeats = 3;

const QString kCommentsQuestion = QStringLiteral("Would you like to add some comments to the report?");

class ConsoleProgress : public Progress
{
public:
    explicit ConsoleProgress(ConsoleWorkflowOperator& op) : m_op(op) {}
    void setProgress(const QString& caption, const QString& stepText, int percent) override
    {
        // A wait sets the same line on every pass; the window would not change, nor does the log.
        const QString line = QStringLiteral("%1 %2 %").arg(stepText).arg(std::clamp(percent, 0, 100));
        if (caption == m_caption && line == m_line)
            return;
        m_caption = caption;
        m_line = line;
        m_op.show(caption, line);
    }
    void show() override {}
    void hide() override {}
    void repaint() override {}

private:
    ConsoleWorkflowOperator& m_op;
    QString m_caption;
    QString m_line;
};

} // namespace

WorkflowAnswers WorkflowAnswers::take(Args& args)
{
    WorkflowAnswers a;
    a.port = args.option(QStringLiteral("--port")).value_or(QString());
    a.dataRoot = args.option(QStringLiteral("--data")).value_or(QString());
    a.licence = args.option(QStringLiteral("--licence")).value_or(QString());
    a.operatorName = args.option(QStringLiteral("--operator")).value_or(QString());
    a.hardwareRevision[0] = args.option(QStringLiteral("--hw-revision")).value_or(QString());
    a.sfo = args.option(QStringLiteral("--sfo"));
    a.comments = args.options(QStringLiteral("--comment"));
    a.yes = args.flag(QStringLiteral("--yes"));
    a.fast = args.flag(QStringLiteral("--fast"));
    return a;
}

// ---- the operator ----------------------------------------------------------------------------

ConsoleWorkflowOperator::ConsoleWorkflowOperator(Io& io, const WorkflowAnswers& answers)
    : m_io(io), m_answers(answers)
{
    for (int board = 0; board < 2; ++board)
        if (!answers.hardwareRevision[static_cast<std::size_t>(board)].isEmpty())
            answerInput(hardwareRevisionPrompt(board),
                        answers.hardwareRevision[static_cast<std::size_t>(board)]);
}

void ConsoleWorkflowOperator::addRule(MessageRule rule)
{
    m_rules.push_back(std::move(rule));
}

void ConsoleWorkflowOperator::onMessage(MessageHook hook)
{
    m_hooks.push_back(std::move(hook));
}

void ConsoleWorkflowOperator::answerInput(const QString& prompt, const QString& value)
{
    m_inputs.insert(prompt, value);
}

void ConsoleWorkflowOperator::answerManualCc(std::function<bool(CalRecord&)> edit)
{
    m_manualCc = std::move(edit);
}

void ConsoleWorkflowOperator::show(const QString& label, const QString& text)
{
    // Whole, line breaks included: a script compares what the technician would have read.
    if (label.isEmpty())
        m_io.err << text << Qt::endl;
    else
        m_io.err << '[' << label << "] " << text << Qt::endl;
}

void ConsoleWorkflowOperator::asked(const QString& question)
{
    if (question == m_lastQuestion) {
        if (++m_repeats >= kMaxRepeats)
            throw std::runtime_error(
                QStringLiteral("q7ctl cannot answer \"%1\" from its options").arg(question).toStdString());
    } else {
        m_lastQuestion = question;
        m_repeats = 0;
    }
}

void ConsoleWorkflowOperator::answered(const QString& answer)
{
    m_io.err << "  -> " << answer << Qt::endl;
}

Operator::Answer ConsoleWorkflowOperator::message(const QString& text, const QString& caption,
                                                  Buttons buttons, Icon)
{
    show(caption, text);
    for (const MessageHook& hook : m_hooks)
        hook(text, caption);
    asked(caption + QLatin1Char('\n') + text);
    if (buttons == Buttons::Ok)
        return Answer::Ok;

    std::optional<Answer> answer;
    for (const MessageRule& rule : m_rules)
        if ((answer = rule(text, caption, buttons)))
            break;
    if (!answer) {
        switch (buttons) {
        case Buttons::Ok:
            answer = Answer::Ok;
            break;
        case Buttons::OkCancel:
            // "Make sure the board is powered": the run itself is the technician's go-ahead.
            answer = m_okCancelAnswered ? Answer::Cancel : Answer::Ok;
            m_okCancelAnswered = true;
            break;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            if (text == kCommentsQuestion)
                answer = m_answers.comments.isEmpty() ? Answer::No : Answer::Yes;
            else
                answer = m_answers.yes ? Answer::Yes : Answer::No;
            break;
        case Buttons::RetryCancel:
            answer = Answer::Cancel;
            break;
        }
    }
    answered(answerName(*answer));
    return *answer;
}

void ConsoleWorkflowOperator::error(const QString& text)
{
    show(QStringLiteral("error"), text);
}

std::optional<QString> ConsoleWorkflowOperator::inputText(const QString& caption, const QString& prompt,
                                                          const QString&)
{
    show(caption, prompt);
    asked(caption + QLatin1Char('\n') + prompt);
    const auto found = m_inputs.constFind(prompt);
    if (found == m_inputs.constEnd()) {
        answered(QStringLiteral("Cancel"));
        return std::nullopt;
    }
    answered(*found);
    return *found;
}

std::optional<QString> ConsoleWorkflowOperator::sfoNumber()
{
    show(QStringLiteral("SFO Number Dialog"),
         QStringLiteral("Please enter the SFO number(\"SFO ##### ####\"), this number is located on a white "
                        "sticker on the Q7 board."));
    answered(m_answers.sfo.value_or(QStringLiteral("Cancel")));
    return m_answers.sfo;
}

std::optional<QStringList> ConsoleWorkflowOperator::comments()
{
    show(QStringLiteral("Memo Dialog"), m_answers.comments.join(QLatin1Char('\n')));
    answered(QStringLiteral("OK"));
    return m_answers.comments;
}

Operator::PortChoice ConsoleWorkflowOperator::selectPort(const QStringList&, const QString&)
{
    show(QStringLiteral("Select Serial Port"), m_answers.port);
    const bool chosen = !m_answers.port.isEmpty();
    answered(chosen ? QStringLiteral("OK") : QStringLiteral("Cancel"));
    return {m_answers.port, chosen};
}

void ConsoleWorkflowOperator::showPreview(const PagedDocument&, const QString&) {}

std::unique_ptr<Progress> ConsoleWorkflowOperator::createProgress()
{
    return std::make_unique<ConsoleProgress>(*this);
}

void ConsoleWorkflowOperator::setStatus(const QString& text)
{
    show(QStringLiteral("status"), text);
}

std::optional<QString> ConsoleWorkflowOperator::siteLicense()
{
    show(QStringLiteral("Site License Dialog"), QStringLiteral("Enter Site License"));
    asked(QStringLiteral("Site License Dialog"));
    if (m_answers.licence.isEmpty()) {
        answered(QStringLiteral("Cancel"));
        return std::nullopt;
    }
    // Typed into the box, so the box's filter decides what it holds.
    const QString box = filterLicense(m_answers.licence);
    answered(box);
    return box;
}

std::optional<Q7Data::Totalisers> ConsoleWorkflowOperator::totalisers(const Q7Data::Totalisers&)
{
    show(QStringLiteral("Totalisers Input Query"), QStringLiteral("Totaliser values in Kilo Litres"));
    asked(QStringLiteral("Totalisers Input Query"));
    std::optional<Q7Data::Totalisers> values;
    if (m_answers.totals)
        values = TotalisersInput::convert(*m_answers.totals, QLocale::system());
    answered(values ? QStringLiteral("OK") : QStringLiteral("Cancel"));
    return values;
}

bool ConsoleWorkflowOperator::manualCc(CalRecord& record)
{
    show(QStringLiteral("ManualCCForm"), QString());
    asked(QStringLiteral("ManualCCForm"));
    const bool ok = m_manualCc && m_manualCc(record);
    answered(ok ? QStringLiteral("OK") : QStringLiteral("Cancel"));
    return ok;
}

QStringList ConsoleWorkflowOperator::openFiles(const QString& title, const QString& filter)
{
    show(title, filter);
    asked(title);
    answered(m_answers.files.isEmpty() ? QStringLiteral("Cancel") : m_answers.files.join(QLatin1Char(' ')));
    return m_answers.files;
}

// ---- the run ---------------------------------------------------------------------------------

WorkflowConsole::WorkflowConsole(Io& io, WorkflowAnswers answers)
    : m_io(io), m_answers(std::move(answers)), m_op(io, m_answers)
{
}

void WorkflowConsole::watchFolder(const QString& folder)
{
    m_watched << folder;
}

void WorkflowConsole::setCaption(const QString& caption)
{
    m_op.show(QStringLiteral("caption"), caption);
}

WorkflowConsole::Snapshot WorkflowConsole::snapshot() const
{
    Snapshot files;
    for (const QString& folder : m_watched) {
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QFileInfo info(it.next());
            files.insert(info.absoluteFilePath(), {info.size(), info.lastModified()});
        }
    }
    return files;
}

void WorkflowConsole::listWritten(const Snapshot& before)
{
    const Snapshot after = snapshot();
    QList<std::pair<QDateTime, QString>> written;
    for (auto it = after.constBegin(); it != after.constEnd(); ++it)
        if (before.value(it.key()) != it.value())
            written.append({it.value().second, it.key()});
    // In the order they were written, as a log of the run reads.
    std::sort(written.begin(), written.end());
    for (const auto& [at, path] : written)
        m_io.out << path << Qt::endl;
}

int WorkflowConsole::run(const std::function<bool(Workbench&)>& workflow)
{
    FastClock fastClock;
    Clock& clock = m_answers.fast ? static_cast<Clock&>(fastClock) : SystemClock::instance();
    AppFolders folders;
    // Only the given device takes part: q7ctl never probes the PC's other serial ports.
    SerialPorts ports(m_answers.port.isEmpty() ? QStringList() : QStringList{m_answers.port},
                      SerialPorts::System::Excluded);
    ManualVolumeWatch noCards;
    VolumeWatch& volumes = m_volumes ? *m_volumes : noCards;
    if (!volumes.start()) {
        m_op.error(QStringLiteral("Volumes cannot be watched on this system."));
        return Failed;
    }

    std::unique_ptr<Workbench> bench;
    try {
        bench = std::make_unique<Workbench>(WorkbenchServices{m_op, clock, ports, volumes, folders,
                                                              SettingsFile::defaultPath(), m_summaryLog,
                                                              m_answers.dataRoot});
    } catch (const std::exception& e) {
        m_op.error(QString::fromStdString(e.what()));
        return Failed;
    }
    bench->setView(this);
    // The name the program would have asked for at start; the port as the dialog gives it.
    bench->setOperatorName(m_answers.operatorName);
    bench->autoDetectQ7 = false;
    bench->openReportOnCompletion = false;
    m_watched.prepend(bench->dataFolderRoot);
    const Snapshot before = snapshot();

    bool succeeded = false;
    try {
        succeeded = workflow(*bench);
    } catch (const std::exception& e) {
        // As the program's framework would: the error box, and the run goes on to its end.
        m_op.error(QString::fromStdString(e.what()));
    }
    try {
        bench->endOfRun();
    } catch (const std::exception& e) {
        m_op.error(QString::fromStdString(e.what()));
        succeeded = false;
    }
    listWritten(before);
    return succeeded ? Ok : Failed;
}

} // namespace q7ctl
