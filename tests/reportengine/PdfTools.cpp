#include "PdfTools.h"

#include <QProcess>

namespace PdfTools {

Run run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted(10000))
        return {-1, {}, program + " did not start: " + process.errorString()};
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList pageTexts(const QString& pdf)
{
    QStringList pages = run("pdftotext", {"-layout", "-enc", "UTF-8", pdf, "-"}).out.split(u'\f');
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

} // namespace PdfTools
