#include "LoggingOperator.h"

#include "SessionLog.h"
#include "TVaComm.h"

namespace {

QString quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

QString entered(const std::optional<QString>& text)
{
    return text ? quoted(*text) : QStringLiteral("Cancel");
}

// Only the step texts: a window counting its percent up would otherwise fill the log.
class LoggingProgress : public Progress
{
public:
    LoggingProgress(std::unique_ptr<Progress> inner, SessionLog& log) : m_inner(std::move(inner)), m_log(log)
    {
    }

    void setProgress(const QString& caption, const QString& stepText, int percent) override
    {
        if (!stepText.isEmpty() && (stepText != m_step || caption != m_caption))
            m_log.add(QStringLiteral("Step: ") +
                          (caption.isEmpty() ? QString() : caption + QStringLiteral(" - ")) + stepText,
                      SessionLog::Write::Soon);
        m_caption = caption;
        m_step = stepText;
        m_inner->setProgress(caption, stepText, percent);
    }
    void show() override { m_inner->show(); }
    void hide() override { m_inner->hide(); }
    void repaint() override { m_inner->repaint(); }

private:
    std::unique_ptr<Progress> m_inner;
    SessionLog& m_log;
    QString m_caption;
    QString m_step;
};

} // namespace

LoggingOperator::LoggingOperator(WorkflowOperator& inner, SessionLog& log) : m_inner(inner), m_log(log) {}

Operator::Answer LoggingOperator::message(const QString& text, const QString& caption, Buttons buttons,
                                          Icon icon)
{
    const Answer answer = m_inner.message(text, caption, buttons, icon);
    m_log.add(QStringLiteral("Message") +
              (caption.isEmpty() ? QString() : QLatin1Char(' ') + quoted(caption)) + QStringLiteral(": ") +
              text + QStringLiteral(" -> ") + answerName(answer));
    return answer;
}

void LoggingOperator::error(const QString& text)
{
    m_inner.error(text);
    m_log.add(QStringLiteral("Error: ") + text);
}

std::optional<QString> LoggingOperator::inputText(const QString& caption, const QString& prompt,
                                                  const QString& initial)
{
    const auto text = m_inner.inputText(caption, prompt, initial);
    m_log.add(QStringLiteral("Input ") + quoted(caption) + QLatin1Char(' ') + prompt +
              QStringLiteral(" -> ") + entered(text));
    return text;
}

Operator::PortChoice LoggingOperator::selectPort(const QStringList& ports, const QString& preselected)
{
    const PortChoice choice = m_inner.selectPort(ports, preselected);
    m_log.add(QStringLiteral("Port selection: ") + choice.port + QStringLiteral(" -> ") +
              (choice.accepted ? QStringLiteral("OK") : QStringLiteral("Cancel")));
    return choice;
}

std::unique_ptr<Progress> LoggingOperator::createProgress()
{
    return std::make_unique<LoggingProgress>(m_inner.createProgress(), m_log);
}

void LoggingOperator::setStatus(const QString& text)
{
    m_inner.setStatus(text);
    if (!text.isEmpty())
        m_log.add(QStringLiteral("Status: ") + text, SessionLog::Write::Soon);
}

std::optional<QString> LoggingOperator::sfoNumber()
{
    const auto text = m_inner.sfoNumber();
    m_log.add(QStringLiteral("SFO number -> ") + entered(text));
    return text;
}

std::optional<QStringList> LoggingOperator::comments()
{
    const auto lines = m_inner.comments();
    m_log.add(QStringLiteral("Comments -> ") +
              (lines ? quoted(lines->join(QLatin1Char('\n'))) : QStringLiteral("Cancel")));
    return lines;
}

void LoggingOperator::showPreview(const PagedDocument& document, const QString& title)
{
    m_log.add(QStringLiteral("Preview shown: ") + title);
    m_inner.showPreview(document, title);
}

std::optional<QString> LoggingOperator::siteLicense()
{
    const auto text = m_inner.siteLicense();
    m_log.add(QStringLiteral("Site licence -> ") + entered(text));
    return text;
}

std::optional<Q7Data::Totalisers> LoggingOperator::totalisers(const Q7Data::Totalisers& initial)
{
    const auto values = m_inner.totalisers(initial);
    QString shown = QStringLiteral("Cancel");
    if (values) {
        QStringList numbers;
        for (const float v : values->values())
            numbers << QString::number(double(v), 'g', 9);
        shown = numbers.join(QLatin1Char(' '));
    }
    m_log.add(QStringLiteral("Totalisers -> ") + shown);
    return values;
}

bool LoggingOperator::manualCc(CalRecord& record)
{
    // The record itself stays out of the log, as every record does.
    const bool accepted = m_inner.manualCc(record);
    m_log.add(QStringLiteral("Manual CC -> ") + (accepted ? QStringLiteral("OK") : QStringLiteral("Cancel")));
    return accepted;
}

QStringList LoggingOperator::openFiles(const QString& title, const QString& filter)
{
    const QStringList files = m_inner.openFiles(title, filter);
    m_log.add(QStringLiteral("Open files ") + quoted(title) + QStringLiteral(" -> ") +
              (files.isEmpty() ? QStringLiteral("Cancel") : files.join(QStringLiteral(", "))));
    return files;
}

void LoggingOperator::configurePort(TVaComm& comm)
{
    m_inner.configurePort(comm);
    m_log.add(QStringLiteral("COM port configuration -> ") + comm.PortName);
}
