#include "ScriptedOperator.h"

#include "TVaComm.h"

#include <QtTest>

class ScriptedProgress : public Progress
{
public:
    explicit ScriptedProgress(ScriptedOperator& op) : m_op(op) {}
    void setProgress(const QString& caption, const QString& stepText, int percent) override
    {
        m_op.m_shown.append({"progress", caption, stepText, std::clamp(percent, 0, 100)});
    }
    void show() override {}
    void hide() override {}
    void repaint() override {}

private:
    ScriptedOperator& m_op;
};

ScriptedOperator& ScriptedOperator::answer(Answer a)
{
    m_script.append(
        {"message", QVariant::fromValue(static_cast<int>(a)), true, std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerText(std::optional<QString> text)
{
    m_script.append(
        {"input", text.value_or(QString()), text.has_value(), std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerSfo(std::optional<QString> text)
{
    m_script.append({"sfo", text.value_or(QString()), text.has_value(), std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerComments(std::optional<QStringList> lines)
{
    m_script.append(
        {"comments", lines.value_or(QStringList()), lines.has_value(), std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerPort(QString port, bool accepted)
{
    m_script.append({"port", port, accepted, std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerLicense(std::optional<QString> text)
{
    m_script.append(
        {"license", text.value_or(QString()), text.has_value(), std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerTotals(std::optional<Q7Data::Totalisers> values)
{
    m_script.append({"totals", QVariant(), values.has_value(), std::exchange(m_pendingBefore, {}), values});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerManualCc(std::function<bool(CalRecord&)> edit)
{
    m_script.append({"manualcc", QVariant(), true, std::exchange(m_pendingBefore, {}), {}, std::move(edit)});
    return *this;
}

ScriptedOperator& ScriptedOperator::answerFiles(QStringList files)
{
    m_script.append({"files", files, !files.isEmpty(), std::exchange(m_pendingBefore, {})});
    return *this;
}

ScriptedOperator& ScriptedOperator::before(std::function<void()> action)
{
    m_pendingBefore = std::move(action);
    return *this;
}

QStringList ScriptedOperator::texts(const QString& kind) const
{
    QStringList out;
    for (const Shown& s : m_shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

ScriptedOperator::Entry ScriptedOperator::take(const QString& kind, const QString& what)
{
    if (m_script.isEmpty()) {
        QTest::qFail(qPrintable(QString("unscripted %1: %2").arg(kind, what)), __FILE__, __LINE__);
        return {kind, QVariant(), false, {}};
    }
    Entry e = m_script.takeFirst();
    if (e.kind != kind) {
        QTest::qFail(
            qPrintable(QString("script expected a %1 but was asked a %2: %3").arg(e.kind, kind, what)),
            __FILE__, __LINE__);
        return {kind, QVariant(), false, {}};
    }
    if (e.before)
        e.before();
    return e;
}

Operator::Answer ScriptedOperator::message(const QString& text, const QString& caption, Buttons buttons, Icon)
{
    m_shown.append({"message", caption, text});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    const Entry e = take("message", text);
    return e.value.isValid() ? static_cast<Answer>(e.value.toInt()) : Answer::Cancel;
}

void ScriptedOperator::error(const QString& text)
{
    m_shown.append({"error", QString(), text});
}

std::optional<QString> ScriptedOperator::inputText(const QString& caption, const QString& prompt,
                                                   const QString& initial)
{
    m_shown.append({"input", caption, prompt});
    Q_UNUSED(initial);
    const Entry e = take("input", prompt);
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<QString> ScriptedOperator::sfoNumber()
{
    m_shown.append({"sfo", "SFO Number Dialog", QString()});
    const Entry e = take("sfo", "SFO number");
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<QStringList> ScriptedOperator::comments()
{
    m_shown.append({"comments", "Memo Dialog", QString()});
    const Entry e = take("comments", "comments");
    return e.present ? std::optional<QStringList>(e.value.toStringList()) : std::nullopt;
}

Operator::PortChoice ScriptedOperator::selectPort(const QStringList& ports, const QString& preselected)
{
    m_shown.append({"port", preselected, ports.join(',')});
    const Entry e = take("port", ports.join(','));
    return {e.value.toString(), e.present};
}

void ScriptedOperator::showPreview(const PagedDocument&, const QString& title)
{
    m_shown.append({"preview", title, QString()});
}

std::unique_ptr<Progress> ScriptedOperator::createProgress()
{
    return std::make_unique<ScriptedProgress>(*this);
}

void ScriptedOperator::setStatus(const QString& text)
{
    m_shown.append({"status", QString(), text});
}

std::optional<QString> ScriptedOperator::siteLicense()
{
    m_shown.append({"license", "Site License Dialog", "Enter Site License"});
    const Entry e = take("license", "site licence");
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<Q7Data::Totalisers> ScriptedOperator::totalisers(const Q7Data::Totalisers&)
{
    m_shown.append({"totals", "Totalisers Input Query", "Totaliser values in Kilo Litres"});
    const Entry e = take("totals", "totalisers");
    return e.present ? e.totals : std::nullopt;
}

bool ScriptedOperator::manualCc(CalRecord& record)
{
    m_shown.append({"manualcc", "ManualCCForm", QString()});
    const Entry e = take("manualcc", "manual CC");
    return e.edit ? e.edit(record) : false;
}

QStringList ScriptedOperator::openFiles(const QString& title, const QString& filter)
{
    m_shown.append({"files", title, filter});
    const Entry e = take("files", title);
    return e.value.toStringList();
}

void ScriptedOperator::configurePort(TVaComm& comm)
{
    m_shown.append({"portconfig", "COM port configuration", comm.PortName});
    const Entry e = take("port", "port configuration");
    if (e.present)
        comm.PortName = e.value.toString();
}
