#pragma once

#include "WorkflowOperator.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

// Answers every question from a script and records everything the technician would have
// seen, in order, so a test can assert the exact sequence of texts.
//
// Script entries are consumed in order by the calls that ask something (message boxes with
// more than an OK button, input boxes, the SFO, comments and port dialogs). A plain OK box
// consumes nothing. A call that finds the script empty, or an entry of the wrong kind, fails
// the test loudly instead of guessing.
class ScriptedOperator : public WorkflowOperator
{
public:
    struct Shown
    {
        QString kind;    // "message", "error", "input", "sfo", "comments", "port", "status", "progress",
                         // "preview"
        QString caption; // message caption, dialog caption or progress caption
        QString text;    // message text, prompt, step text or status text
        int percent = -1;
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
    QStringList texts(const QString& kind) const;
    QStringList statusTexts() const { return texts("status"); }
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
        QString kind;
        QVariant value;
        bool present = true;
        std::function<void()> before;
        std::optional<Q7Data::Totalisers> totals = {};
        std::function<bool(CalRecord&)> edit = {};
    };
    Entry take(const QString& kind, const QString& what);

    QList<Entry> m_script;
    std::function<void()> m_pendingBefore;
    QList<Shown> m_shown;
    friend class ScriptedProgress;
};
