#include "ScriptedOperator.h"

#include "TVaComm.h"

#include <QtTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

// Ends the test process with the failure in the test log. Not a failure the test function carries
// on from: the caller is production code that would go on with a made-up answer, and may ask
// again forever (the operator name is asked until one is given). Not an abort either: that
// would spend seconds on the test library's stack dump.
[[noreturn]] void failTest(const QString& why)
{
    QTest::qFail(qPrintable(QStringLiteral("ScriptedOperator: ") + why), __FILE__, __LINE__);
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(EXIT_FAILURE);
}

} // namespace

class ScriptedProgress : public Progress
{
public:
    explicit ScriptedProgress(ScriptedOperator& op) : m_op(op) {}
    void setProgress(const QString& caption, const QString& stepText, int percent) override
    {
        m_caption = caption;
        m_op.record({ScriptedOperator::Kind::Progress, caption, stepText, std::clamp(percent, 0, 100)});
    }
    void show() override { m_op.record({ScriptedOperator::Kind::ProgressShown, m_caption, {}}); }
    void hide() override { m_op.record({ScriptedOperator::Kind::ProgressHidden, m_caption, {}}); }
    void repaint() override {}

private:
    ScriptedOperator& m_op;
    QString m_caption;
};

QString ScriptedOperator::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Message:
        return QStringLiteral("message");
    case Kind::Error:
        return QStringLiteral("error");
    case Kind::Input:
        return QStringLiteral("input");
    case Kind::Sfo:
        return QStringLiteral("sfo");
    case Kind::Comments:
        return QStringLiteral("comments");
    case Kind::Port:
        return QStringLiteral("port");
    case Kind::PortConfig:
        return QStringLiteral("port configuration");
    case Kind::Preview:
        return QStringLiteral("preview");
    case Kind::Progress:
        return QStringLiteral("progress");
    case Kind::ProgressShown:
        return QStringLiteral("progress shown");
    case Kind::ProgressHidden:
        return QStringLiteral("progress hidden");
    case Kind::Status:
        return QStringLiteral("status");
    case Kind::License:
        return QStringLiteral("license");
    case Kind::Totals:
        return QStringLiteral("totals");
    case Kind::ManualCc:
        return QStringLiteral("manualcc");
    case Kind::Files:
        return QStringLiteral("files");
    }
    return QStringLiteral("kind %1").arg(static_cast<int>(kind));
}

ScriptedOperator& ScriptedOperator::queue(Entry entry)
{
    entry.before = std::exchange(m_pendingBefore, {});
    m_script.append(std::move(entry));
    return *this;
}

ScriptedOperator& ScriptedOperator::answer(Answer a)
{
    return queue({Kind::Message, QVariant::fromValue(static_cast<int>(a))});
}

ScriptedOperator& ScriptedOperator::answerText(std::optional<QString> text)
{
    return queue({Kind::Input, text.value_or(QString()), text.has_value()});
}

ScriptedOperator& ScriptedOperator::answerSfo(std::optional<QString> text)
{
    return queue({Kind::Sfo, text.value_or(QString()), text.has_value()});
}

ScriptedOperator& ScriptedOperator::answerComments(std::optional<QStringList> lines)
{
    return queue({Kind::Comments, lines.value_or(QStringList()), lines.has_value()});
}

ScriptedOperator& ScriptedOperator::answerPort(QString port, bool accepted)
{
    return queue({Kind::Port, port, accepted});
}

ScriptedOperator& ScriptedOperator::answerLicense(std::optional<QString> text)
{
    return queue({Kind::License, text.value_or(QString()), text.has_value()});
}

ScriptedOperator& ScriptedOperator::answerTotals(std::optional<Q7Data::Totalisers> values)
{
    return queue({Kind::Totals, QVariant(), values.has_value(), {}, values});
}

ScriptedOperator& ScriptedOperator::answerManualCc(std::function<bool(CalRecord&)> edit)
{
    return queue({Kind::ManualCc, QVariant(), true, {}, {}, std::move(edit)});
}

ScriptedOperator& ScriptedOperator::answerFiles(QStringList files)
{
    const bool chosen = !files.isEmpty();
    return queue({Kind::Files, files, chosen});
}

ScriptedOperator& ScriptedOperator::before(std::function<void()> action)
{
    m_pendingBefore = std::move(action);
    return *this;
}

QList<ScriptedOperator::Shown> ScriptedOperator::shown(Kind kind) const
{
    QList<Shown> out;
    std::copy_if(m_shown.begin(), m_shown.end(), std::back_inserter(out),
                 [kind](const Shown& s) { return s.kind == kind; });
    return out;
}

QStringList ScriptedOperator::texts(Kind kind) const
{
    QStringList out;
    for (const Shown& s : m_shown)
        if (s.kind == kind)
            out << s.text;
    return out;
}

ScriptedOperator::Entry ScriptedOperator::take(Kind kind, const QString& what)
{
    if (m_script.isEmpty())
        failTest(QStringLiteral("the script has no answer left for a %1 question: \"%2\"")
                     .arg(kindName(kind), what));
    Entry e = m_script.takeFirst();
    if (e.kind != kind)
        failTest(QStringLiteral(
                     "the script's next answer is for a %1 question, but a %2 question was asked: \"%3\"")
                     .arg(kindName(e.kind), kindName(kind), what));
    if (e.before)
        e.before();
    return e;
}

Operator::Answer ScriptedOperator::message(const QString& text, const QString& caption, Buttons buttons, Icon)
{
    record({Kind::Message, caption, text});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return static_cast<Answer>(take(Kind::Message, text).value.toInt());
}

void ScriptedOperator::error(const QString& text)
{
    record({Kind::Error, QString(), text});
}

std::optional<QString> ScriptedOperator::inputText(const QString& caption, const QString& prompt,
                                                   const QString& initial)
{
    record({Kind::Input, caption, prompt, -1, initial});
    const Entry e = take(Kind::Input, prompt);
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<QString> ScriptedOperator::sfoNumber()
{
    record({Kind::Sfo, "SFO Number Dialog", QString()});
    const Entry e = take(Kind::Sfo, "SFO number");
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<QStringList> ScriptedOperator::comments()
{
    record({Kind::Comments, "Memo Dialog", QString()});
    const Entry e = take(Kind::Comments, "comments");
    return e.present ? std::optional<QStringList>(e.value.toStringList()) : std::nullopt;
}

Operator::PortChoice ScriptedOperator::selectPort(const QStringList& ports, const QString& preselected)
{
    record({Kind::Port, preselected, ports.join(',')});
    const Entry e = take(Kind::Port, ports.join(','));
    return {e.value.toString(), e.present};
}

void ScriptedOperator::showPreview(const PagedDocument&, const QString& title)
{
    record({Kind::Preview, title, QString()});
}

std::unique_ptr<Progress> ScriptedOperator::createProgress()
{
    return std::make_unique<ScriptedProgress>(*this);
}

void ScriptedOperator::setStatus(const QString& text)
{
    record({Kind::Status, QString(), text});
}

std::optional<QString> ScriptedOperator::siteLicense()
{
    record({Kind::License, "Site License Dialog", "Enter Site License"});
    const Entry e = take(Kind::License, "site licence");
    return e.present ? std::optional<QString>(e.value.toString()) : std::nullopt;
}

std::optional<Q7Data::Totalisers> ScriptedOperator::totalisers(const Q7Data::Totalisers&)
{
    record({Kind::Totals, "Totalisers Input Query", "Totaliser values in Kilo Litres"});
    const Entry e = take(Kind::Totals, "totalisers");
    return e.present ? e.totals : std::nullopt;
}

bool ScriptedOperator::manualCc(CalRecord& record)
{
    this->record({Kind::ManualCc, "ManualCCForm", QString()});
    const Entry e = take(Kind::ManualCc, "manual CC");
    return e.edit ? e.edit(record) : false;
}

QStringList ScriptedOperator::openFiles(const QString& title, const QString& filter)
{
    record({Kind::Files, title, filter});
    return take(Kind::Files, title).value.toStringList();
}

void ScriptedOperator::configurePort(TVaComm& comm)
{
    record({Kind::PortConfig, "COM port configuration", comm.PortName});
    const Entry e = take(Kind::Port, "port configuration");
    if (e.present)
        comm.PortName = e.value.toString();
}
