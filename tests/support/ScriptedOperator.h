#pragma once

#include "WorkflowOperator.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Answers every question from a script and records everything the technician would have
// seen, in order, so a test can assert the exact sequence of texts.
//
// Script entries are consumed in order by the calls that ask something (message boxes with
// more than an OK button, input boxes, the SFO, comments, port, licence, totalisers, manual CC
// and open-file dialogs). A plain OK box consumes nothing. A question the script does not
// answer (the script is empty, or its next entry is of another kind) ends the test process at
// once with a message naming the question: answering "cancel" instead would let a workflow that
// asks until it gets an answer spin until the test runner's time-out.
class ScriptedOperator : public WorkflowOperator
{
public:
    enum class Kind
    {
        Message,
        Error,
        Input,
        Sfo,
        Comments,
        Port,
        PortConfig, // the port configuration dialog a link opened on "Com0" shows
        Preview,
        Progress,       // a setProgress step
        ProgressShown,  // the progress window shown
        ProgressHidden, // the progress window hidden
        Status,
        License,
        Totals,
        ManualCc,
        Files,
    };
    static QString kindName(Kind kind);
    // QCOMPARE on kinds prints their names.
    friend char* toString(Kind kind) { return qstrdup(qPrintable(kindName(kind))); }

    struct Shown
    {
        Kind kind = Kind::Message;
        QString caption; // message caption, dialog caption or progress caption
        QString text;    // message text, prompt, step text or status text
        int percent = -1;
        QString initial = {}; // the text an input box was opened with
    };

    // Queue answers.
    ScriptedOperator& answer(Answer a);
    ScriptedOperator& answerText(std::optional<QString> text);
    ScriptedOperator& answerSfo(std::optional<QString> text);
    ScriptedOperator& answerComments(std::optional<QStringList> lines);
    ScriptedOperator& answerPort(QString port, bool accepted);
    // The site licence dialog's text on OK; nullopt for Cancel.
    ScriptedOperator& answerLicense(std::optional<QString> text);
    // The totalisers dialog's values on OK; nullopt for Cancel (or a box that did not convert).
    ScriptedOperator& answerTotals(std::optional<Q7Data::Totalisers> values);
    // The manual CC dialog: edit runs over the record as the typing would, then OK (true) or
    // Cancel (false).
    ScriptedOperator& answerManualCc(std::function<bool(CalRecord&)> edit);
    // The open-file dialog's selection; empty for Cancel.
    ScriptedOperator& answerFiles(QStringList files);
    // Runs a callback when the next question is asked (a board swap, a card insertion…),
    // then answers it with the next entry.
    ScriptedOperator& before(std::function<void()> action);

    const QList<Shown>& shown() const { return m_shown; }
    QList<Shown> shown(Kind kind) const;
    QStringList texts(Kind kind) const;
    QStringList statusTexts() const { return texts(Kind::Status); }
    bool scriptDone() const { return m_script.isEmpty(); }

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
    // Answered by a port entry (answerPort): accepted, its port becomes the component's port.
    void configurePort(TVaComm& comm) override;

private:
    struct Entry
    {
        Kind kind;
        QVariant value;
        bool present = true;
        std::function<void()> before = {};
        std::optional<Q7Data::Totalisers> totals = {};
        std::function<bool(CalRecord&)> edit = {};
    };
    ScriptedOperator& queue(Entry entry);
    // Never returns without an entry of the kind asked for.
    Entry take(Kind kind, const QString& what);
    void record(Shown shown) { m_shown.append(std::move(shown)); }

    QList<Entry> m_script;
    std::function<void()> m_pendingBefore;
    QList<Shown> m_shown;
    friend class ScriptedProgress;
};
