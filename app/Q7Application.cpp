#include "Q7Application.h"

#include "Operator.h"

#include <exception>

Q7Application::Q7Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Q7Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (m_op)
            m_op->error(QString::fromUtf8(error.what()));
    }
    return false;
}
