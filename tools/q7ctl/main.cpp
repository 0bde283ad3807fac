#include "CtlCommand.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace q7ctl {

std::optional<QString> Args::option(const QString& name)
{
    const qsizetype at = m_words.indexOf(name);
    if (at < 0 || at + 1 >= m_words.size())
        return std::nullopt;
    const QString value = m_words.at(at + 1);
    m_words.remove(at, 2);
    return value;
}

QStringList Args::options(const QString& name)
{
    QStringList values;
    while (auto v = option(name))
        values << *v;
    return values;
}

bool Args::flag(const QString& name)
{
    return m_words.removeOne(name);
}

std::optional<QString> Args::unknownOption() const
{
    for (const QString& w : m_words)
        if (w.startsWith("--"))
            return w;
    return std::nullopt;
}

std::vector<Command>& registry()
{
    static std::vector<Command> commands;
    return commands;
}

int fail(Io& io, const QString& text, int status)
{
    io.err << "q7ctl: " << text << Qt::endl;
    return status;
}

} // namespace q7ctl

static void usage(QTextStream& to)
{
    auto commands = q7ctl::registry();
    std::sort(commands.begin(), commands.end(), [](auto& a, auto& b) { return a.name < b.name; });
    to << "usage: q7ctl COMMAND [ARGS...]\n\ncommands:\n";
    for (const auto& c : commands)
        to << "  " << c.name << ' ' << c.usage << '\n';
    to << "\nexit status: 0 success, 1 the board or a file failed, 2 usage error\n";
    to.flush();
}

int main(int argc, char** argv)
{
    // The report engine writes PDF with its own font metrics: no display, no platform plugin.
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    q7ctl::Io io{out, err};

    QStringList words = app.arguments().mid(1);
    if (words.isEmpty() || words.first() == "--help" || words.first() == "-h") {
        usage(words.isEmpty() ? err : out);
        return words.isEmpty() ? q7ctl::Usage : q7ctl::Ok;
    }
    // The command is the first word that is not a global option's value, so
    // "q7ctl --port DEV ping" and "q7ctl ping --port DEV" both work.
    qsizetype at = 0;
    while (at < words.size() && words.at(at).startsWith("--"))
        at += (words.at(at) == "--detect") ? 1 : 2;
    if (at >= words.size()) {
        usage(err);
        return q7ctl::Usage;
    }
    const QString name = words.takeAt(at);
    for (const auto& c : q7ctl::registry()) {
        if (c.name == name) {
            q7ctl::Args args(words);
            const int status = c.run(args, io);
            out.flush();
            err.flush();
            return status;
        }
    }
    err << "q7ctl: unknown command \"" << name << "\"\n";
    usage(err);
    return q7ctl::Usage;
}
