#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

// Drives the modal dialogs a widget or end-to-end test opens, from inside their exec() loops:
// each queued step runs on the next modal widget that becomes active, in order, and may read
// its texts, type and press its buttons.
//
// With a watchdog, so a test never hangs in exec(): when no modal appears for a waiting step
// within the watchdog time, or a modal stays open with no step left for it, the robot records a
// failure naming it and closes the modal (Rejected), so the code under test carries on and the
// test ends within seconds. Steps still waiting when the robot is destroyed fail the test too.
//
//     ModalRobot robot;
//     robot.press("&Yes");                        // the first box: its Yes button
//     robot.on<QInputDialog>([](QInputDialog* d) { d->setTextValue("Ann"); d->accept(); });
//     window.startSomething();                    // opens both, one after the other
class ModalRobot : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QStringList texts;
    };

    explicit ModalRobot(int watchdogMs = 3000);
    ~ModalRobot() override;

    // The next modal, whatever its class.
    ModalRobot& onModal(std::function<void(QWidget*)> step);
    // The next modal, which must be a Widget (the test fails and the modal is closed otherwise).
    template <typename Widget> ModalRobot& on(std::function<void(Widget*)> step)
    {
        return onModal([step = std::move(step)](QWidget* modal) {
            if (auto* widget = qobject_cast<Widget*>(modal))
                step(widget);
            else
                failAndClose(
                    modal, QStringLiteral("the modal is a %1, not a %2")
                               .arg(modal->metaObject()->className(), Widget::staticMetaObject.className()));
        });
    }
    // The next modal's button with this text (mnemonic ampersands ignored).
    ModalRobot& press(const QString& buttonText);
    // The next modal, which must carry this title (any, when empty) and a text that contains
    // text; any other modal fails the test, naming what it showed, and is closed.
    ModalRobot& expect(const QString& title, const QString& text, std::function<void(QWidget*)> step);
    // As the technician answers it: the expected modal, typed into when typed is given, then
    // the button pressed.
    ModalRobot& answer(const QString& title, const QString& text, const QString& buttonText,
                       const QString& typed = {});

    // Every modal a step ran on, in order.
    const QList<Seen>& seen() const { return m_seen; }
    bool done() const { return m_steps.empty(); }

    // The texts of a modal's visible labels, in the order of its children (a message box's text
    // is its label).
    static QStringList texts(const QWidget* modal);
    // Clicks the enabled button with this text; false when there is none.
    static bool pressButton(QWidget* modal, const QString& buttonText);
    // Types into the modal's field (the focused one, else the first), key by key so its key
    // filters and input mask apply, over what it held; false when it has none.
    static bool type(QWidget* modal, const QString& text);
    // Records a failure naming the modal and closes it.
    static void failAndClose(QWidget* modal, const QString& why);

private:
    void poll();

    std::deque<std::function<void(QWidget*)>> m_steps;
    QList<Seen> m_seen;
    QPointer<QWidget> m_lastHandled;
    // Modals answered before and still open, and one of them seen active again once: it gets
    // its next step only if it is still the active one at the next poll.
    QList<QPointer<QWidget>> m_handled;
    QPointer<QWidget> m_settling;
    QTimer m_poll;
    int m_watchdogMs;
    qint64 m_waitingSinceMs = 0;
    int m_stepsRun = 0;
};
