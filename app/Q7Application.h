#pragma once

#include <QApplication>

class Operator;

// The application object. An error that escapes a handler is shown in the error box and the
// program goes on running, instead of unwinding through the event loop and ending it.
class Q7Application : public QApplication
{
    Q_OBJECT

public:
    Q7Application(int& argc, char** argv);

    void setOperator(Operator* op) { m_op = op; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    Operator* m_op = nullptr;
};
