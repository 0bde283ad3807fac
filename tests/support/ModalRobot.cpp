#include "ModalRobot.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

QString describe(const QWidget* modal)
{
    return QStringLiteral("%1 \"%2\" (%3)")
        .arg(modal->metaObject()->className(), modal->windowTitle(), ModalRobot::texts(modal).join(" | "));
}

void close(QWidget* modal)
{
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->done(QDialog::Rejected);
    else
        modal->close();
}

} // namespace

ModalRobot::ModalRobot(int watchdogMs) : m_watchdogMs(watchdogMs)
{
    m_waitingSinceMs = nowMs();
    connect(&m_poll, &QTimer::timeout, this, &ModalRobot::poll);
    m_poll.start(10);
}

ModalRobot::~ModalRobot()
{
    if (!m_steps.empty())
        QTest::qFail(qPrintable(QStringLiteral("ModalRobot: %1 step(s) left for modals that never appeared")
                                    .arg(m_steps.size())),
                     __FILE__, __LINE__);
}

ModalRobot& ModalRobot::onModal(std::function<void(QWidget*)> step)
{
    if (m_steps.empty())
        m_waitingSinceMs = nowMs();
    m_steps.push_back(std::move(step));
    return *this;
}

ModalRobot& ModalRobot::press(const QString& buttonText)
{
    return onModal([buttonText](QWidget* modal) {
        if (!pressButton(modal, buttonText))
            failAndClose(modal, QStringLiteral("it has no enabled button \"%1\"").arg(buttonText));
    });
}

ModalRobot& ModalRobot::expect(const QString& title, const QString& text, std::function<void(QWidget*)> step)
{
    return onModal([title, text, step = std::move(step)](QWidget* modal) {
        if ((title.isEmpty() || modal->windowTitle() == title) && texts(modal).join('\n').contains(text))
            step(modal);
        else
            failAndClose(modal, QStringLiteral("expected \"%1\" saying \"%2\"").arg(title, text));
    });
}

ModalRobot& ModalRobot::answer(const QString& title, const QString& text, const QString& buttonText,
                               const QString& typed)
{
    return expect(title, text, [buttonText, typed](QWidget* modal) {
        if (!typed.isEmpty() && !type(modal, typed))
            failAndClose(modal, QStringLiteral("it has no field to type \"%1\" into").arg(typed));
        else if (!pressButton(modal, buttonText))
            failAndClose(modal, QStringLiteral("it has no enabled button \"%1\"").arg(buttonText));
    });
}

bool ModalRobot::type(QWidget* modal, const QString& text)
{
    const auto usable = [](const QWidget* field) {
        if (!field->isVisible() || !field->isEnabled())
            return false;
        if (const auto* line = qobject_cast<const QLineEdit*>(field))
            return !line->isReadOnly();
        if (const auto* memo = qobject_cast<const QPlainTextEdit*>(field))
            return !memo->isReadOnly();
        return false;
    };
    QWidget* field = modal->focusWidget();
    if (!field || !modal->isAncestorOf(field) || !usable(field)) {
        field = nullptr;
        for (QWidget* child : modal->findChildren<QWidget*>())
            if (usable(child)) {
                field = child;
                break;
            }
    }
    if (!field)
        return false;
    field->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(field))
        line->selectAll();
    else
        static_cast<QPlainTextEdit*>(field)->selectAll();
    QTest::keyClicks(field, text);
    return true;
}

QStringList ModalRobot::texts(const QWidget* modal)
{
    QStringList out;
    for (const QLabel* label : modal->findChildren<QLabel*>())
        if (label->isVisible() && !label->text().isEmpty())
            out << label->text();
    return out;
}

bool ModalRobot::pressButton(QWidget* modal, const QString& buttonText)
{
    for (QAbstractButton* button : modal->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && button->isEnabled() &&
            withoutMnemonic(button->text()) == withoutMnemonic(buttonText)) {
            button->click();
            return true;
        }
    }
    return false;
}

void ModalRobot::failAndClose(QWidget* modal, const QString& why)
{
    QTest::qFail(qPrintable(QStringLiteral("ModalRobot: %1: %2; closed it").arg(describe(modal), why)),
                 __FILE__, __LINE__);
    close(modal);
}

void ModalRobot::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && !modal->isVisible())
        modal = nullptr;
    if (modal && modal != m_lastHandled && !m_steps.empty()) {
        // When a nested box closes, its owner is the active modal for a moment even when the
        // box's answer closes the owner too (OK confirmed by Yes); an owner that stays, as a
        // form after its "invalid input" box, is still active at the next poll.
        m_handled.removeAll(nullptr);
        if (m_handled.contains(modal) && m_settling != modal) {
            m_settling = modal;
            return;
        }
        m_settling = nullptr;
        m_handled.append(modal);
        auto step = std::move(m_steps.front());
        m_steps.pop_front();
        ++m_stepsRun;
        m_seen.append({modal->metaObject()->className(), modal->windowTitle(), texts(modal)});
        m_lastHandled = modal;
        m_waitingSinceMs = nowMs();
        // From an event of its own: a step that opens a nested modal (OK answered by a message
        // box) blocks in that modal's exec(), and this timer does not fire while its slot runs.
        QTimer::singleShot(0, modal, [step = std::move(step), modal] { step(modal); });
        return;
    }
    if (!modal && m_steps.empty()) {
        m_waitingSinceMs = nowMs(); // idle: nothing expected, nothing open
        return;
    }
    if (nowMs() - m_waitingSinceMs < m_watchdogMs)
        return;
    m_waitingSinceMs = nowMs();
    if (m_steps.empty()) {
        failAndClose(modal,
                     QStringLiteral("it stayed open %1 ms with no step left for it").arg(m_watchdogMs));
        return;
    }
    const QString why = QStringLiteral("no new modal appeared within %1 ms for step %2")
                            .arg(m_watchdogMs)
                            .arg(m_stepsRun + 1);
    m_steps.clear();
    if (modal)
        failAndClose(modal, why);
    else
        QTest::qFail(qPrintable(QStringLiteral("ModalRobot: ") + why), __FILE__, __LINE__);
}
