#pragma once

#include "CtlCommand.h"
#include "Q7Data.h"
#include "WorkbenchView.h"
#include "WorkflowOperator.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>
#include <vector>

class SummaryLogWriter;
class VolumeWatch;
class Workbench;

namespace q7ctl {

// What a technician would have answered, given on the command line of a workflow command.
struct WorkflowAnswers
{
    QString port;
    // The data-folder root; empty: the program's own.
    QString dataRoot;
    QString licence;
    QString operatorName;
    // [0] the existing board, [1] the replacement board.
    std::array<QString, 2> hardwareRevision;
    std::optional<QString> sfo;
    QStringList comments;
    // Yes to the questions that ask before overwriting ("Directory exists…").
    bool yes = false;
    // Fixed waits (reboots, settle times) skipped: for simulated boards.
    bool fast = false;
    // The totalisers dialog's ten boxes in slot order; unset: the dialog is cancelled.
    std::optional<std::array<QString, Q7Data::Totalisers::kCount>> totals;
    // The open-file dialog's selection; empty: cancelled.
    QStringList files;

    // Takes the options every workflow command understands out of args ("--port", "--data",
    // "--licence", "--operator", "--hw-revision", "--sfo", "--comment", "--yes", "--fast").
    static WorkflowAnswers take(Args& args);
};

// A workflow's operator on a terminal that nobody watches: every text is printed on standard
// error whole as it is shown, and every question is answered at once from the options, so
// nothing ever waits for the terminal.
//
// Answers by rule: the first OK/Cancel box OK and later ones Cancel; the report's comments
// question Yes only when comments were given; other Yes/No questions Yes only with --yes; the
// port dialog --port; the licence dialog --licence (the dialog's key filter applies); the
// hardware revision prompts --hw-revision. A command may put its own rules in front.
//
// A question asked again and again with nothing else in between (a prompt that allows no way
// past without an answer the options do not give) ends the run with an error instead of
// looping.
class ConsoleWorkflowOperator : public WorkflowOperator
{
public:
    ConsoleWorkflowOperator(Io& io, const WorkflowAnswers& answers);

    // Consulted before the built-in rules; nullopt lets the next rule answer.
    using MessageRule =
        std::function<std::optional<Answer>(const QString& text, const QString& caption, Buttons buttons)>;
    void addRule(MessageRule rule);
    // Told of every message box before it is answered (a command can, for instance, report a
    // card folder as inserted when asked for the card).
    using MessageHook = std::function<void(const QString& text, const QString& caption)>;
    void onMessage(MessageHook hook);
    // An input box answered by its prompt.
    void answerInput(const QString& prompt, const QString& value);
    // The manual CC dialog: edits the record and returns whether it was closed with OK.
    void answerManualCc(std::function<bool(CalRecord&)> edit);

    // Prints a line on standard error as the technician would have seen it.
    void show(const QString& label, const QString& text);

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    void error(const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::optional<QString> sfoNumber() override;
    std::optional<QStringList> comments() override;
    PortChoice selectPort(const QStringList& ports, const QString& preselected) override;
    void showPreview(const PagedDocument& document, const QString& title) override;
    std::unique_ptr<Progress> createProgress() override;
    void setStatus(const QString& text) override;
    std::optional<QString> siteLicense() override;
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) override;
    bool manualCc(CalRecord& record) override;
    QStringList openFiles(const QString& title, const QString& filter) override;
    // Nobody can pick line settings on a script's terminal: the component keeps what it holds.
    void configurePort(TVaComm&) override {}

private:
    // Throws when the same question comes back too often in a row.
    void asked(const QString& question);
    void answered(const QString& answer);

    Io& m_io;
    const WorkflowAnswers& m_answers;
    std::vector<MessageRule> m_rules;
    std::vector<MessageHook> m_hooks;
    QHash<QString, QString> m_inputs;
    std::function<bool(CalRecord&)> m_manualCc;
    bool m_okCancelAnswered = false;
    QString m_lastQuestion;
    int m_repeats = 0;
};

// One run of the program from the command line: a workbench on the options' data folder, an
// operator answering from the options, a view that prints, the workflow, then what closing
// the main window does. The files the run wrote are listed on standard output.
class WorkflowConsole : public WorkbenchView
{
public:
    WorkflowConsole(Io& io, WorkflowAnswers answers);

    ConsoleWorkflowOperator& op() { return m_op; }
    const WorkflowAnswers& answers() const { return m_answers; }
    // From now on the port dialog gives port and the SFO dialog sfo: the replacement board is
    // behind the cable.
    void switchToReplacement(const QString& port, const std::optional<QString>& sfo)
    {
        m_answers.port = port;
        m_answers.sfo = sfo;
    }
    // Null until the summary log exists.
    void setSummaryLog(SummaryLogWriter* writer) { m_summaryLog = writer; }
    // Files written below folder are listed too (the data folder always is).
    void watchFolder(const QString& folder);
    // Reports the cards of the SD-card transfers; none is ever reported when null.
    void setVolumes(VolumeWatch* volumes) { m_volumes = volumes; }

    // Exit status: Ok when the workflow succeeded, Failed otherwise.
    int run(const std::function<bool(Workbench&)>& workflow);

    void setCaption(const QString& caption) override;
    void setSiteItemsEnabled(bool) override {}
    void setUpgradeButton(bool, bool) override {}

private:
    using Snapshot = QHash<QString, std::pair<qint64, QDateTime>>;
    Snapshot snapshot() const;
    void listWritten(const Snapshot& before);

    Io& m_io;
    WorkflowAnswers m_answers;
    ConsoleWorkflowOperator m_op;
    SummaryLogWriter* m_summaryLog = nullptr;
    VolumeWatch* m_volumes = nullptr;
    QStringList m_watched;
};

} // namespace q7ctl
