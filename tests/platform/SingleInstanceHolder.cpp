// Takes the single-instance lock in a process of its own, so tests can hold, contend for and
// abandon it across processes. Arguments: name folder. Prints "held" and waits for its input
// to close, or prints "busy" and exits 3.
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    SingleInstance instance(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    if (!instance.tryAcquire()) {
        std::puts("busy");
        return 3;
    }
    std::puts("held");
    std::fflush(stdout);
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return 2;
    input.readAll();
    return 0;
}
