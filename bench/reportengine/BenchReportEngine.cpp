// Times laying out and writing a typical six-page site report and prints its size; ends with
// the table line P4. Not a test: bench/run runs it, or by hand, e.g. build/bin/bench_reportengine 200
#include "BenchLine.h"

#include "PdfWriter.h"
#include "ReportDocument.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <vector>

namespace {

QStringList rows(const QString& label, int count)
{
    QStringList list;
    for (int i = 1; i <= count; ++i)
        list << QString("%1 %2 = %3").arg(label).arg(i).arg(i * 12.625, 0, 'f', 3);
    return list;
}

ReportContent typicalReport()
{
    ReportContent c;
    c.title = "Pre Upgrade Report ";
    c.siteLicence = "A123";
    c.operatorName = "J. Smith";
    c.meterId = 4711;
    c.information = rows("Site information", 9);
    c.totals = rows("Total", 10);
    c.diagnostics = rows("Diagnostic", 8) << "System Fault(eror) = ***** Low flow";
    c.configuration = rows("Configuration setting", 60);
    c.calibration = rows("Calibration constant", 20);
    c.basicCalibration = rows("HW calibration constant", 16);
    c.comments = {"Board replaced after a lightning strike (cable \\ gland renewed).",
                  "Caf\u00e9 owner let us in."};
    return c;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 100;
    QTemporaryDir dir;
    const QDateTime at(QDate(2026, 12, 8), QTime(14, 5, 9));

    std::vector<double> prepare, encode, write;
    qsizetype size = 0;
    int pages = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        ReportDocument document(typicalReport());
        const PagedDocument paged = document.prepare(at, QLocale::c());
        prepare.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        size = PdfWriter::toPdf(paged).size();
        encode.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        if (!PdfWriter::writeFile(paged, dir.filePath("report.pdf")).ok)
            return 1;
        write.push_back(timer.nsecsElapsed() / 1e6);
        pages = paged.pageCount();
    }
    QTextStream out(stdout);
    out << "typical report: " << pages << " pages, " << size << " bytes\n"
        << "median of " << runs << " runs:\n"
        << "  prepare (lay out every page)   " << QString::number(median(prepare), 'f', 3) << " ms\n"
        << "  PDF bytes in memory            " << QString::number(median(encode), 'f', 3) << " ms\n"
        << "  PDF bytes + write whole file   " << QString::number(median(write), 'f', 3) << " ms\n";
    out.flush();
    // Laid out and written: the preparation plus the encoding and writing of the file.
    printBenchLine("P4",
                   QString("%1-page report laid out and written %2 ms, %3 KB")
                       .arg(pages)
                       .arg(median(prepare) + median(write), 0, 'f', 2)
                       .arg(double(size) / 1024.0, 0, 'f', 1),
                   "< 20 ms, < 40 KB");
    return 0;
}
