// q7ctl killed with SIGKILL in the middle of its writes, again and again, on one site: every file
// it had written is afterwards as it was or whole, never half-written, nothing is lost, and the
// run after the kills clears what the killed ones left and finishes the site.
//
// The kill switch preloaded into q7ctl ends it at a chosen step of its file writing (halfway
// through a write, after one, before a link or rename). Each kind of write gets its share of
// kills at random steps of that kind; Q7_KILL_SEED repeats a sequence, Q7_KILL_RUNS sets how
// many kills there are.

#include "FolderSnapshot.h"
#include "SimulatedBoard.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

using Tree = FolderSnapshot;

// What a killed writer leaves beside its target, by the shape the program gives it.
bool isLeftover(const QString& path)
{
    static const QRegularExpression shape(QStringLiteral("~q7-[A-Za-z0-9]{6}\\.tmp$"));
    return shape.match(path).hasMatch();
}

// One kind of file the workflows write, by the texts its paths hold.
struct Kind
{
    const char* name;
    const char* match; // as the kill switch reads it: '|'-separated texts
    bool photographs;  // written by the photograph import, not by the upgrade
};

const Kind kKinds[] = {
    {"record backups", "/backup_conf|/backup_cal|/backup_BasicCal|/conf.bin|/cal.bin|/BasicCal.bin", false},
    {"totals", "Totalisers", false},
    {"logs", "/K1/DIAGLOG|/K1/FLOWLOG", false},
    {"reports", ".pdf", false},
    {"summary log", "/SummaryLog.csv", false},
    {"card copies", "/new-card/", false},
    {"session log, restore record, digests", "/Session Log|/Restore Record|/backup.sha256", false},
    {"photographs", "/IMG_", true},
    {"any step of the upgrade", "/", false},
};

struct Killed
{
    bool killed = false;
    int exitCode = -1;
    QString report; // the kill switch's line: the step and the file it was on
    QString err;
};

} // namespace

class TestKillSafety : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_work; // every file q7ctl writes is below it, and only those count
    QString m_photos[2];
    Tree m_fixed;                       // the files whose every complete writing has the same bytes
    Tree m_first;                       // the site after the first complete upgrade
    QMap<QString, QStringList> m_trace; // each kind's steps in a complete run

    QString work(const QString& name) const { return m_work + '/' + name; }

    QStringList upgradeArguments(const sim::SimulatedBoard& oldBoard,
                                 const sim::SimulatedBoard& newBoard) const
    {
        return {"upgrade",
                "--port",
                oldBoard.devicePath(),
                "--new-port",
                newBoard.devicePath(),
                "--old-card",
                work("old-card"),
                "--new-card",
                work("new-card"),
                "--data",
                work("data"),
                "--licence",
                "K1",
                "--operator",
                "Jo",
                "--hw-revision",
                "R1",
                "--new-hw-revision",
                "R2",
                "--yes",
                "--fast"};
    }
    QStringList imageArguments() const
    {
        return {"images", "--data", work("data"), "--licence", "K1",
                "--yes",  "--fast", m_photos[0],  m_photos[1]};
    }

    // One run of q7ctl through the kill switch: killed at the killAt-th step on a path that
    // holds one of match's texts (0: not killed).
    Killed run(bool photographs, const QString& match, long killAt, const QString& trace = {})
    {
        sim::BoardModel oldModel = sim::BoardModel::existing();
        sim::BoardModel newModel = sim::BoardModel::replacement();
        oldModel.rebootSilenceMs = newModel.rebootSilenceMs = 50;
        oldModel.sdCardDir = m_dir.filePath("old-tray");
        newModel.sdCardDir = m_dir.filePath("new-tray");
        sim::SimulatedBoard oldBoard(oldModel);
        sim::SimulatedBoard newBoard(newModel);
        if (!photographs && !(oldBoard.start() && newBoard.start()))
            return {false, -1, {}, "the simulated boards did not start"};

        const QString report = m_dir.filePath("kill-report");
        QFile::remove(report);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LD_PRELOAD", Q7_KILL_SWITCH);
        // Under the address sanitizer its runtime wants to be the first library; the switch
        // only passes calls on, so the order does not matter here.
        env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
        env.insert("Q7_KILL_UNDER", m_work);
        env.insert("Q7_KILL_MATCH", match);
        env.insert("Q7_KILL_AT", QString::number(killAt));
        env.insert("Q7_KILL_REPORT", report);
        if (!trace.isEmpty())
            env.insert("Q7_KILL_TRACE", trace);
        QProcess q7ctl;
        q7ctl.setProcessEnvironment(env);
        q7ctl.start(QString(Q7_BINARY_DIR) + "/q7ctl",
                    photographs ? imageArguments() : upgradeArguments(oldBoard, newBoard));
        if (!q7ctl.waitForFinished(120'000)) {
            q7ctl.kill();
            q7ctl.waitForFinished();
            return {false, -1, {}, "q7ctl ran out of time"};
        }
        QFile reportFile(report);
        const QString said =
            reportFile.open(QIODevice::ReadOnly) ? QString::fromUtf8(reportFile.readAll()) : "";
        Killed result;
        result.killed = q7ctl.exitStatus() == QProcess::CrashExit && !said.startsWith("steps");
        result.exitCode = q7ctl.exitStatus() == QProcess::NormalExit ? q7ctl.exitCode() : -1;
        result.report = said.trimmed();
        result.err = QString::fromUtf8(q7ctl.readAllStandardError());
        return result;
    }

    // Whole: what a complete writing of the file has, by what is known of its kind.
    QString wholeness(const QString& path, const QByteArray& bytes, const QByteArray& earlier) const
    {
        if (m_fixed.contains(path))
            return bytes == m_fixed.value(path) ? QString() : "differs from its complete writing";
        if (path.endsWith(".pdf"))
            return bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF") ? QString()
                                                                                  : "is no whole PDF";
        if (path.endsWith("Session Log.txt") || path.endsWith("SummaryLog.csv"))
            return bytes.startsWith(earlier) && bytes.endsWith("\r\n") ? QString()
                                                                       : "lost lines or ends mid-line";
        if (m_first.contains(path))
            return bytes.endsWith("\r\n") && bytes.count("\r\n") == m_first.value(path).count("\r\n")
                       ? QString()
                       : "has other lines than a complete writing";
        return "is no file of the site's";
    }

    // Every file of before is still there, and every file now is as it was or whole.
    QStringList faults(const Tree& before, const Tree& after, QStringList* leftovers) const
    {
        QStringList found;
        for (auto it = before.begin(); it != before.end(); ++it)
            if (!isLeftover(it.key()) && !after.contains(it.key()))
                found << it.key() + " is gone";
        for (auto it = after.begin(); it != after.end(); ++it) {
            if (isLeftover(it.key())) {
                *leftovers << it.key();
                continue;
            }
            if (before.contains(it.key()) && before.value(it.key()) == it.value())
                continue;
            const QString why = wholeness(it.key(), it.value(), before.value(it.key()));
            if (!why.isEmpty())
                found << it.key() + ' ' + why + QStringLiteral(" (%1 bytes)").arg(it.value().size());
        }
        return found;
    }

    static bool write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // As the kernel names open files: the switch compares against those names.
        m_work = QFileInfo(m_dir.path()).canonicalFilePath() + "/work";
        for (const char* folder : {"old-card", "new-card", "data", "photos"})
            QVERIFY(QDir().mkpath(work(folder)));
        QVERIFY(QDir().mkpath(m_dir.filePath("old-tray")) && QDir().mkpath(m_dir.filePath("new-tray")));
        sim::BoardModel card = sim::BoardModel::existing();
        card.sdCardDir = work("old-card");
        QVERIFY(card.fillCard());
        QRandomGenerator pixels(7);
        for (int i = 0; i < 2; ++i) {
            QByteArray bytes(300'000 + i * 1000, '\0');
            pixels.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
            m_photos[i] = work(QStringLiteral("photos/IMG_%1.JPG").arg(i + 1));
            QVERIFY(write(m_photos[i], "\xff\xd8\xff\xe0" + bytes));
        }

        // Two complete upgrades and a photograph import: the files both upgrades wrote alike are
        // fixed; the traces list each kind's steps.
        const QString trace = m_dir.filePath("trace");
        for (int i = 0; i < 3; ++i) {
            const bool photographs = i == 2;
            QFile::remove(trace);
            const Killed complete = run(photographs, {}, 0, i == 1 ? QString() : trace);
            QVERIFY2(complete.exitCode == 0 && !complete.killed, qPrintable(complete.err.right(3000)));
            const Tree now = snapshotFolder(m_work);
            if (i == 0)
                m_first = now;
            if (i == 1)
                for (auto it = now.begin(); it != now.end(); ++it)
                    if (m_first.value(it.key()) == it.value())
                        m_fixed.insert(it.key(), it.value());
            if (photographs)
                for (const QString& photo : m_photos)
                    m_fixed.insert("data/K1/" + QFileInfo(photo).fileName(),
                                   now.value(QDir(m_work).relativeFilePath(photo)));
            if (i == 1)
                continue;
            QFile traced(trace);
            QVERIFY(traced.open(QIODevice::ReadOnly));
            for (const QByteArray& line : traced.readAll().split('\n'))
                for (const Kind& kind : kKinds)
                    if (kind.photographs == photographs)
                        for (const QByteArray& part : QByteArray(kind.match).split('|'))
                            if (!line.isEmpty() && line.contains(part)) {
                                m_trace[kind.name] << QString::fromUtf8(line);
                                break;
                            }
        }
        for (const Kind& kind : kKinds)
            QVERIFY2(!m_trace.value(kind.name).isEmpty(), kind.name);
        QVERIFY2(!m_first.isEmpty() && !m_fixed.contains("data/K1/Session Log.txt"), "the session log grows");
    }

    void everyTargetAsItWasOrWhole()
    {
        const quint32 seed = qEnvironmentVariableIsSet("Q7_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("Q7_KILL_SEED"))
                                 : QRandomGenerator::global()->generate();
        const int runs = qEnvironmentVariableIsSet("Q7_KILL_RUNS")
                             ? qEnvironmentVariableIntValue("Q7_KILL_RUNS")
                             : 3 * int(std::size(kKinds));
        qInfo("Q7_KILL_SEED=%u Q7_KILL_RUNS=%d", seed, runs);
        QRandomGenerator random(seed);

        QMap<QString, int> kills;
        QMap<QString, QSet<QString>> leftBehind;
        for (int i = 0; i < runs; ++i) {
            const Kind& kind = kKinds[i % std::size(kKinds)];
            const long at = 1 + long(random.bounded(quint32(m_trace.value(kind.name).size())));
            const Tree before = snapshotFolder(m_work);
            const Killed killed = run(kind.photographs, kind.match, at);
            QVERIFY2(killed.killed || killed.exitCode == 0,
                     qPrintable(QStringLiteral("run %1 (%2) ended neither killed nor complete: %3")
                                    .arg(i)
                                    .arg(kind.name, killed.err.right(2000))));
            QStringList leftovers;
            const QStringList found = faults(before, snapshotFolder(m_work), &leftovers);
            QVERIFY2(found.isEmpty(), qPrintable(QStringLiteral("killed %1 (%2, seed %3):\n  %4")
                                                     .arg(killed.report, kind.name)
                                                     .arg(seed)
                                                     .arg(found.join("\n  "))));
            if (killed.killed)
                ++kills[kind.name];
            for (const QString& left : leftovers)
                leftBehind[left.section('/', 0, -2)] << left;
        }

        // The next complete runs clear every temporary the killed ones left and finish the site.
        for (const bool photographs : {false, true}) {
            const Killed complete = run(photographs, {}, 0);
            QVERIFY2(complete.exitCode == 0, qPrintable(complete.err.right(3000)));
        }
        const Tree after = snapshotFolder(m_work);
        QStringList leftovers;
        const QStringList found = faults(Tree(), after, &leftovers);
        QVERIFY2(found.isEmpty(), qPrintable(found.join("\n")));
        QVERIFY2(leftovers.isEmpty(), qPrintable("left after a complete run: " + leftovers.join(", ")));
        for (auto it = m_fixed.begin(); it != m_fixed.end(); ++it)
            QVERIFY2(after.value(it.key()) == it.value(), qPrintable(it.key()));

        for (auto it = kills.begin(); it != kills.end(); ++it)
            qInfo("%-40s %d kills", qPrintable(it.key()), it.value());
        for (auto it = leftBehind.begin(); it != leftBehind.end(); ++it)
            qInfo("temporaries left in %s: %d, all cleared", qPrintable(it.key()), int(it.value().size()));
    }
};

QTEST_GUILESS_MAIN(TestKillSafety)
#include "TestKillSafety.moc"
