#pragma once

#include "ReportOperator.h"

#include <QTextStream>

// The operator of a command-line tool: messages go to standard error, questions are
// answered "no" (a script cannot answer them), progress is not drawn.
class ConsoleOperator : public ReportOperator
{
public:
    explicit ConsoleOperator(QTextStream& err) : m_err(err) {}

    Answer message(const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    void error(const QString& text) override;
    std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                     const QString& initial) override;
    std::optional<QString> sfoNumber() override { return std::nullopt; }
    std::optional<QStringList> comments() override { return std::nullopt; }
    PortChoice selectPort(const QStringList& ports, const QString& preselected) override;
    void showPreview(const PagedDocument& document, const QString& title) override;
    std::unique_ptr<Progress> createProgress() override;
    void setStatus(const QString& text) override;

private:
    QTextStream& m_err;
};
