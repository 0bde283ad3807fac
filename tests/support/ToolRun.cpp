#include "ToolRun.h"

#include <QCoreApplication>
#include <QProcess>

ToolRun runTool(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10'000))
        return {-1, {}, program + " did not start: " + process.errorString()};
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, QString::fromUtf8(process.readAllStandardOutput()), program + " ran out of time"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

namespace {
const char* const kChildVariable = "Q7_TEST_CHILD";
}

ToolRun runOwnTestFunction(const QString& function, int timeoutMs)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChildVariable, "1");
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QCoreApplication::applicationFilePath(), {function});
    if (!process.waitForStarted(10'000))
        return {-1, {}, process.errorString()};
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {-1, QString::fromUtf8(process.readAll()), function + " ran out of time"};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll()),
            {}};
}

bool isTestChild()
{
    return qEnvironmentVariableIsSet(kChildVariable);
}
