#pragma once

#include "WorkflowOperator.h"

class SessionLog;

// Stands in front of the operator a workbench was given: every box, question, progress step and
// status text passes on unchanged and is written to the session log with the answer given.
// Every virtual of WorkflowOperator and its bases must be forwarded here, or what it shows
// would bypass the log (or, for a pure virtual, not build).
class LoggingOperator : public WorkflowOperator
{
public:
    LoggingOperator(WorkflowOperator& inner, SessionLog& log);

    WorkflowOperator& inner() const { return m_inner; }

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    void error(const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    PortChoice selectPort(const QStringList& ports, const QString& preselected) override;
    std::unique_ptr<Progress> createProgress() override;
    void setStatus(const QString& text) override;

    std::optional<QString> sfoNumber() override;
    std::optional<QStringList> comments() override;
    void showPreview(const PagedDocument& document, const QString& title) override;

    std::optional<QString> siteLicense() override;
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) override;
    bool manualCc(CalRecord& record) override;
    QStringList openFiles(const QString& title, const QString& filter) override;
    void configurePort(TVaComm& comm) override;

private:
    WorkflowOperator& m_inner;
    SessionLog& m_log;
};
