#include "Clock.h"
#include "PdfTools.h"
#include "ReportDocument.h"
#include "ScriptedOperator.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using Kind = ScriptedOperator::Kind;

namespace {

const QDateTime kAt(QDate(2026, 12, 8), QTime(14, 5, 9));
const QString kFileName = "Pre Upgrade Report _A123_08_Dec_2026 14_05_09.pdf";

QStringList numbered(const QString& label, int count)
{
    QStringList rows;
    for (int i = 1; i <= count; ++i)
        rows << QString("%1 %2 = value %2").arg(label).arg(i);
    return rows;
}

ReportContent typicalContent()
{
    ReportContent c;
    c.title = "Pre Upgrade Report ";
    c.siteLicence = "A123";
    c.operatorName = "J. Smith";
    c.meterId = 4711;
    c.information = QStringList{"Operator = J. Smith", "Site Licence = A123", "SFO Number = 45127"};
    c.totals = numbered("Total", 10);
    c.diagnostics = QStringList{"System Fault(eror) = ***** Low flow", "Empty Pipe = No"};
    c.configuration =
        QStringList{"Fail Safe Mode Low = Enabled", "Units = m3/h = per hour"} + numbered("Setting", 20);
    c.calibration = numbered("Cal", 12);
    c.basicCalibration = numbered("HW Gain", 8);
    return c;
}

struct Produced
{
    std::optional<QString> path;
    QStringList pages;
};

// Writes the report into the folder at kAt, as the workflows do, and reads it back as text.
Produced produce(const ReportContent& content, const QString& folder, ScriptedOperator& op, bool show = false)
{
    FastClock clock;
    clock.setDateTime(kAt);
    ReportDocument document(content);
    Produced result;
    result.path = document.produce(folder, show, clock, op, QLocale::c());
    if (result.path)
        result.pages = PdfTools::pageTexts(*result.path);
    return result;
}

// The non-empty lines of a page, blanks squeezed.
QStringList lines(const QString& page)
{
    QStringList out;
    for (const QString& line : page.split('\n'))
        if (!line.trimmed().isEmpty())
            out << line.simplified();
    return out;
}

} // namespace

class TestReportDocument : public QObject
{
    Q_OBJECT

private slots:
    void variables_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addRow("configuration row") << "Fail Safe Mode Low = Enabled"
                                           << "Fail Safe Mode Low "
                                           << " Enabled";
        QTest::addRow("fault row") << "System Fault(eror) = ***** Low flow"
                                   << "System Fault(eror) "
                                   << " ***** Low flow";
        QTest::addRow("split at the first =") << "a = b = c"
                                              << "a "
                                              << " b = c";
        QTest::addRow("no =") << "no equals"
                              << ""
                              << "no equals";
        QTest::addRow("= first") << "= x"
                                 << ""
                                 << " x";
        QTest::addRow("empty") << ""
                               << ""
                               << "";
    }

    void variables()
    {
        QFETCH(QString, row);
        QFETCH(QString, left);
        QFETCH(QString, right);
        ReportContent content;
        content.information = content.totals = content.diagnostics = content.configuration =
            content.calibration = content.basicCalibration = content.comments = {row};
        ReportDocument document(content);
        for (const char* stem :
             {"siteInfo", "Totals", "Diagnostic", "Configuration", "Calibration", "BasicCalibration"}) {
            QCOMPARE(document.variable(QString(stem) + '1'), left);
            QCOMPARE(document.variable(QString(stem).toUpper() + '2'), right);
        }
        QCOMPARE(document.variable("memolines"), row);
        QCOMPARE(document.variable("siteInfo"), std::nullopt);
        QCOMPARE(document.variable("MemoLines1"), std::nullopt);
        QCOMPARE(document.variable("Unknown"), std::nullopt);
    }

    void reportTitle_data()
    {
        QTest::addColumn<QString>("licence");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("fileName");
        QTest::addRow("with licence") << "A123"
                                      << "A123 Pre Upgrade Report  MeterSN 4711" << kFileName;
        QTest::addRow("empty licence") << ""
                                       << "Pre Upgrade Report  MeterSN 4711"
                                       << "Pre Upgrade Report __08_Dec_2026 14_05_09.pdf";
        QTest::addRow("separators stay in the folder")
            << "A/../B\\C"
            << "A/../B\\C Pre Upgrade Report  MeterSN 4711"
            << "Pre Upgrade Report _A_.._B_C_08_Dec_2026 14_05_09.pdf";
    }

    void reportTitle()
    {
        QFETCH(QString, licence);
        QFETCH(QString, title);
        QFETCH(QString, fileName);
        ReportContent content = typicalContent();
        content.siteLicence = licence;
        ReportDocument document(content);
        QCOMPARE(document.variable("REPORTTITLE"), title);
        QCOMPARE(ReportDocument::fileName(content.title, licence, kAt, QLocale::c()), fileName);
    }

    void fileNameUsesTheShortMonthName()
    {
        const QDateTime at(QDate(2027, 1, 2), QTime(3, 4, 5));
        QCOMPARE(ReportDocument::fileName("Q7 Report ", "L", at, QLocale::c()),
                 "Q7 Report _L_02_Jan_2027 03_04_05.pdf");
        QCOMPARE(ReportDocument::fileName("Q7 Report ", "L", at, QLocale(QLocale::German)),
                 "Q7 Report _L_02_Jan._2027 03_04_05.pdf");
    }

    // The produced file, read back with independent tools.
    void producedFile()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        const ReportContent content = typicalContent();
        const Produced produced = produce(content, dir.path(), op);
        QVERIFY(produced.path);
        QCOMPARE(*produced.path, QDir(dir.path()).filePath(kFileName));
        QVERIFY(op.shown().isEmpty());

        const auto check = runTool("qpdf", {"--check", *produced.path});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));
        const QString fonts = runTool("pdffonts", {*produced.path}).out;
        QVERIFY2(fonts.contains(QRegularExpression("\\nHelvetica +Type 1 +WinAnsi")), qPrintable(fonts));
        QVERIFY2(fonts.contains(QRegularExpression("\\nHelvetica-Bold +Type 1 +WinAnsi")), qPrintable(fonts));
        const QStringList images =
            runTool("pdfimages", {"-list", *produced.path}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 3); // the logo, once, on the first page
        QCOMPARE(images.at(2).simplified().split(' ').at(8), "jpeg");
        const QString info = runTool("pdfinfo", {*produced.path}).out;
        QVERIFY(info.contains(QRegularExpression("Title: +A123 Pre Upgrade Report  MeterSN 4711\\n")));
        QVERIFY(info.contains(QRegularExpression("Author: +J. Smith\\n")));

        // Page 1: information, totals, diagnostics; then one page each for configuration,
        // calibration and HW calibration; no comments page.
        QCOMPARE(produced.pages.size(), 4);
        QCOMPARE(lines(produced.pages.at(0)).first(), "A123 Pre Upgrade Report MeterSN 4711");
        const QStringList headings{"Information",   "Totals (Mega Litres)", "Diagnostics",
                                   "Configuration", "Calibration",          "HW Calibration"};
        const QList<QStringList> lists{content.information,   content.totals,      content.diagnostics,
                                       content.configuration, content.calibration, content.basicCalibration};
        // Every row's two halves on one line, in the rows' order, after their heading.
        QStringList all;
        for (const QString& page : produced.pages)
            all += lines(page);
        qsizetype at = 0;
        for (int s = 0; s < lists.size(); ++s) {
            at = all.indexOf(headings.at(s), at);
            QVERIFY2(at >= 0, qPrintable(headings.at(s)));
            for (const QString& row : lists.at(s)) {
                const qsizetype equals = row.indexOf('=');
                const QString expected =
                    row.left(equals).simplified() + ' ' + row.mid(equals + 1).simplified();
                QCOMPARE(all.value(++at), expected);
            }
        }
        for (int p = 1; p < 4; ++p)
            QCOMPARE(lines(produced.pages.at(p)).first(), headings.at(p + 2));
        for (int p = 0; p < 4; ++p)
            QCOMPARE(lines(produced.pages.at(p)).last(),
                     QString("14:05:09 December 08, 2026 Page %1").arg(p + 1));
    }

    void comments_data()
    {
        QTest::addColumn<QStringList>("comments");
        QTest::addColumn<int>("pages");
        QTest::addRow("none: no comments page") << QStringList{} << 4;
        QTest::addRow("two lines on a page of their own") << QStringList{"First line", "Second line"} << 5;
        QTest::addRow("escaped and 8-bit characters")
            << QStringList{"Tape (red) on cable \\ \"caf\u00e9\" ) ("} << 5;
        QTest::addRow("characters the fonts lack") << QStringList{"\u03a9 \u20ac 10"} << 5;
    }

    void comments()
    {
        QFETCH(QStringList, comments);
        QFETCH(int, pages);
        QTemporaryDir dir;
        ScriptedOperator op;
        ReportContent content = typicalContent();
        content.comments = comments;
        const Produced produced = produce(content, dir.path(), op);
        QVERIFY(produced.path);
        QCOMPARE(produced.pages.size(), pages);
        QString text = produced.pages.join('\f');
        QCOMPARE(text.contains("Comments"), !comments.isEmpty());
        if (comments.isEmpty())
            return;
        QStringList expected{"Comments"};
        for (const QString& line : comments)
            expected << QString(line).replace(QChar(0x03a9), '?').simplified();
        expected << "14:05:09 December 08, 2026 Page " + QString::number(pages);
        QCOMPARE(lines(produced.pages.last()), expected);
    }

    void longSectionRepeatsItsHeading()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        ReportContent content = typicalContent();
        content.configuration = numbered("Setting", 120);
        const Produced produced = produce(content, dir.path(), op);
        QVERIFY(produced.path);
        // 52 rows fit under a heading on a page: three configuration pages.
        QCOMPARE(produced.pages.size(), 6);
        int row = 0;
        for (int p = 1; p <= 3; ++p) {
            const QStringList page = lines(produced.pages.at(p));
            QCOMPARE(page.first(), "Configuration");
            QCOMPARE(page.at(1), QString("Setting %1 value %1").arg(row + 1));
            row += int(page.size()) - 2;
        }
        QCOMPARE(row, 120);
    }

    void sameSecondReplacesTheFile()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        ReportContent content = typicalContent();
        content.comments = {"first run"};
        const Produced first = produce(content, dir.path(), op);
        content.comments = {"second run"};
        const Produced second = produce(content, dir.path(), op);
        QVERIFY(first.path && second.path);
        QCOMPARE(*second.path, *first.path);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{kFileName});
        QVERIFY(second.pages.last().contains("second run"));
        QVERIFY(!second.pages.last().contains("first run"));
    }

    void sameInputSameBytes()
    {
        QTemporaryDir a;
        QTemporaryDir b;
        ScriptedOperator op;
        const auto first = produce(typicalContent(), a.path(), op);
        const auto second = produce(typicalContent(), b.path(), op);
        QFile one(*first.path);
        QFile two(*second.path);
        QVERIFY(one.open(QIODevice::ReadOnly) && two.open(QIODevice::ReadOnly));
        QCOMPARE(one.readAll(), two.readAll());
    }

    void previewWhenAsked()
    {
        QTemporaryDir dir;
        ScriptedOperator op;
        QVERIFY(produce(typicalContent(), dir.path(), op, true).path);
        QCOMPARE(op.shown().size(), 1);
        QCOMPARE(op.shown().first().kind, Kind::Preview);
        QCOMPARE(op.shown().first().caption, "A123 Pre Upgrade Report  MeterSN 4711");
    }

    void unwritableFile_data()
    {
        QTest::addColumn<QString>("subfolder");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("reason");
        QTest::addRow("missing folder") << "missing" << false << "The folder does not exist.";
        QTest::addRow("write fails part-way")
            << "" << true << "Check that the file is not open in another program";
    }

    // The technician is told, the report fails, and an earlier report of the same name stays.
    void unwritableFile()
    {
        QFETCH(QString, subfolder);
        QFETCH(bool, diskFull);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString folder = dir.filePath(subfolder);
        const QByteArray earlier = "earlier report";
        if (QFileInfo(folder).isDir()) {
            QFile file(QDir(folder).filePath(kFileName));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(earlier);
        }
        ScriptedOperator op;
        Produced produced;
        {
            rlimit saved{};
            getrlimit(RLIMIT_FSIZE, &saved);
            const auto handler = std::signal(SIGXFSZ, SIG_IGN);
            if (diskFull) {
                rlimit limited = saved;
                limited.rlim_cur = 4096;
                setrlimit(RLIMIT_FSIZE, &limited);
            }
            produced = produce(typicalContent(), folder, op, true);
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, handler);
        }
        QVERIFY(!produced.path);
        QCOMPARE(op.texts(Kind::Message).size(), 1);
        const QString message = op.texts(Kind::Message).first();
        QVERIFY2(message.contains(kFileName) && message.contains(reason), qPrintable(message));
        QVERIFY(op.texts(Kind::Preview).isEmpty());
        QCOMPARE(QFileInfo(folder).isDir(), subfolder.isEmpty());
        if (subfolder.isEmpty()) {
            QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{kFileName});
            QFile file(QDir(folder).filePath(kFileName));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), earlier);
        }
    }

    // A folder the program may not write to, tried from the shell tool as an ordinary user
    // (root may write anywhere): the earlier contents stay and the technician is told.
    void readOnlyFolder()
    {
        QTemporaryDir dir;
        QFile::setPermissions(dir.path(),
                              QFile::permissions(dir.path()) | QFile::ReadOther | QFile::ExeOther);
        const QString folder = dir.filePath("site");
        QVERIFY(QDir(dir.path()).mkdir("site"));
        QFile earlier(QDir(folder).filePath("earlier.pdf"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier report");
        earlier.close();
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                              QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder, readOnly));

        QStringList command{QString(Q7_BINARY_DIR) + "/q7ctl", "render-rows",
                            QString(Q7_TEST_DATA_DIR) + "/reportengine/site.rows", "--out", folder};
        QString program = command.takeFirst();
        if (geteuid() == 0) {
            command.prepend(program);
            command = QStringList{"--reuid=65534", "--regid=65534", "--clear-groups"} + command;
            program = "setpriv";
        }
        const auto run = runTool(program, command);
        QFile::setPermissions(folder, readOnly | QFile::WriteOwner);

        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("The report could not be saved as") &&
                     run.err.contains("Check that the file is not open in another program"),
                 qPrintable(run.err));
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"earlier.pdf"});
        QVERIFY(earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier report"));
    }

    void renderRowsFromAShell()
    {
        QTemporaryDir dir;
        const QString q7ctl = QString(Q7_BINARY_DIR) + "/q7ctl";
        const QString rows = QString(Q7_TEST_DATA_DIR) + "/reportengine/site.rows";
        auto run = runTool(
            q7ctl, {"render-rows", rows, "--out", dir.path(), "--licence", "A123", "--meter", "4711"});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QString path = run.out.trimmed();
        QVERIFY2(QFileInfo(path).fileName().startsWith("Q7 Report _A123_"), qPrintable(path));
        const QStringList pages = PdfTools::pageTexts(path);
        QCOMPARE(pages.size(), 6);
        QVERIFY(lines(pages.at(1)).contains("Fail Safe Mode Low Enabled"));

        run = runTool(q7ctl, {"render-rows", rows, "--out", dir.filePath("missing")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.contains("The folder does not exist."));
        run = runTool(q7ctl, {"render-rows", rows});
        QCOMPARE(run.exitCode, 2);
    }
};

QTEST_MAIN(TestReportDocument)
#include "TestReportDocument.moc"
