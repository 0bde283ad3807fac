#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// A progress window as a workflow sees it: created hidden, shown, updated step by step,
// hidden while a question of the same workflow is up, freed at the end.
class Progress
{
public:
    virtual ~Progress() = default;
    virtual void setProgress(const QString& caption, const QString& stepText, int percent) = 0;
    virtual void show() = 0;
    virtual void hide() = 0;
    // Puts the latest state on screen at once (setProgress itself neither repaints nor pumps).
    virtual void repaint() = 0;
};

// Everything a workflow shows to the technician or asks of them goes through an Operator:
// the real one shows widgets, a scripted one answers from a test's script and records what
// was shown. Core code never opens a dialog itself.
class Operator
{
public:
    enum class Buttons
    {
        Ok,
        OkCancel,
        YesNo,
        YesNoCancel,
        RetryCancel
    };
    enum class Icon
    {
        None,
        Information,
        Warning,
        Error,
        Question
    };
    enum class Answer
    {
        Ok,
        Cancel,
        Yes,
        No,
        Retry
    };

    virtual ~Operator() = default;

    // A plain message box. Returns the button pressed (Ok for a plain box).
    virtual Answer message(const QString& text, const QString& caption = QString(),
                           Buttons buttons = Buttons::Ok, Icon icon = Icon::None) = 0;
    // The framework's error box for an error that escaped an operation.
    virtual void error(const QString& text) = 0;
    // The single-line text-input dialog; nullopt on Cancel.
    virtual std::optional<QString> inputText(const QString& caption, const QString& prompt,
                                             const QString& initial) = 0;
    // The port selection dialog: the selected port when it closes (also on Cancel, as the
    // dialog itself keeps it), and whether it was closed with OK.
    struct PortChoice
    {
        QString port;
        bool accepted = false;
    };
    virtual PortChoice selectPort(const QStringList& ports, const QString& preselected) = 0;

    virtual std::unique_ptr<Progress> createProgress() = 0;
    // The main window's status line; a text stays until the next one replaces it.
    virtual void setStatus(const QString& text) = 0;
};

// A button's caption, as a transcript or a log names the answer given.
inline QString answerName(Operator::Answer answer)
{
    switch (answer) {
    case Operator::Answer::Ok:
        return QStringLiteral("OK");
    case Operator::Answer::Cancel:
        return QStringLiteral("Cancel");
    case Operator::Answer::Yes:
        return QStringLiteral("Yes");
    case Operator::Answer::No:
        return QStringLiteral("No");
    case Operator::Answer::Retry:
        return QStringLiteral("Retry");
    }
    return QStringLiteral("?");
}
