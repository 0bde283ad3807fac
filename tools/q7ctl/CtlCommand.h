#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <optional>
#include <vector>

class Q7Port;

// q7ctl is a second front end on the same core as the program. Each group of commands lives
// in its own source file and registers itself here, so the groups grow independently.

namespace q7ctl {

enum Exit
{
    Ok = 0,
    Failed = 1,
    Usage = 2
};

// The words after the command name, with options taken out as they are asked for.
class Args
{
public:
    explicit Args(QStringList words) : m_words(std::move(words)) {}

    // "--name VALUE" anywhere in the words; removes both.
    std::optional<QString> option(const QString& name);
    // Every "--name VALUE", in order; removes them.
    QStringList options(const QString& name);
    // "--name" anywhere in the words; removes it.
    bool flag(const QString& name);
    // What is left once the options have been taken.
    const QStringList& positional() const { return m_words; }
    // A word starting with "--" that no one asked for, if any.
    std::optional<QString> unknownOption() const;

private:
    QStringList m_words;
};

struct Io
{
    QTextStream& out;
    QTextStream& err;
};

struct Command
{
    QString name;
    QString usage; // one line: the arguments after the name
    int (*run)(Args& args, Io& io);
};

std::vector<Command>& registry();

struct Register
{
    explicit Register(Command command) { registry().push_back(std::move(command)); }
};

// Prints "q7ctl: " + text on standard error and returns the exit status.
int fail(Io& io, const QString& text, int status = Failed);

// "cannot open port NAME" with the reason the link gave, e.g. who may open the device.
QString openFailure(const QString& name, const Q7Port& link);

} // namespace q7ctl
