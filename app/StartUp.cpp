#include "StartUp.h"

#include "Operator.h"
#include "SingleInstance.h"

#include <exception>

int startUp(Operator& op, SingleInstance& instance,
            const std::function<std::unique_ptr<QWidget>()>& createMainWindow,
            const std::function<int()>& runLoop)
{
    if (!instance.tryAcquire()) {
        op.message(QStringLiteral("Application already running"));
        return 0;
    }
    int exitCode = 1;
    try {
        const std::unique_ptr<QWidget> window = createMainWindow();
        window->show();
        exitCode = runLoop();
    } catch (const std::exception& error) {
        op.error(QString::fromUtf8(error.what()));
    }
    instance.release();
    return exitCode;
}
