#pragma once

#include <QWidget>

#include <functional>
#include <memory>

class Operator;
class SingleInstance;

// The program from its start to its end, returning the exit code: refuse to run beside
// another copy (0, with a message), build the main window (an error doing so is shown, and the
// program ends with 1), then run until the window has closed. The lock is released on every
// path.
int startUp(Operator& op, SingleInstance& instance,
            const std::function<std::unique_ptr<QWidget>()>& createMainWindow,
            const std::function<int()>& runLoop);
