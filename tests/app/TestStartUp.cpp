#include "Q7Application.h"
#include "ScriptedOperator.h"
#include "SingleInstance.h"
#include "StartUp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <stdexcept>

using Kind = ScriptedOperator::Kind;

class TestStartUp : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void secondStartSaysSoAndBuildsNoWindow()
    {
        SingleInstance running("Q7UpgradeUtility", m_dir.path());
        QVERIFY(running.tryAcquire());
        SingleInstance second("Q7UpgradeUtility", m_dir.path());
        ScriptedOperator op;
        bool built = false;
        const int code = startUp(
            op, second,
            [&] {
                built = true;
                return std::make_unique<QWidget>();
            },
            [] { return 0; });
        QCOMPARE(code, 0);
        QVERIFY(!built);
        QCOMPARE(op.texts(Kind::Message), QStringList{"Application already running"});
        QCOMPARE(op.shown().front().caption, QString());
    }

    void failedConstructionIsShownAndReleasesTheLock()
    {
        SingleInstance instance("Q7UpgradeUtility", m_dir.path());
        ScriptedOperator op;
        const int code = startUp(
            op, instance,
            []() -> std::unique_ptr<QWidget> { throw std::runtime_error("Cannot create data directory."); },
            [] { return 0; });
        QCOMPARE(code, 1);
        QCOMPARE(op.texts(Kind::Error), QStringList{"Cannot create data directory."});
        QVERIFY(!instance.isHeld());
        SingleInstance next("Q7UpgradeUtility", m_dir.path());
        QVERIFY(next.tryAcquire());
    }

    void runsUntilTheWindowClosesThenReleases()
    {
        SingleInstance instance("Q7UpgradeUtility", m_dir.path());
        ScriptedOperator op;
        QWidget* shown = nullptr;
        const int code = startUp(
            op, instance,
            [&] {
                auto window = std::make_unique<QWidget>();
                shown = window.get();
                return window;
            },
            [&] {
                QTimer::singleShot(0, shown, &QWidget::close);
                return QApplication::exec();
            });
        QCOMPARE(code, 0);
        QVERIFY(op.shown().isEmpty());
        QVERIFY(!instance.isHeld());
    }

    void errorInAHandlerIsShownAndTheProgramGoesOn()
    {
        auto* app = qobject_cast<Q7Application*>(QCoreApplication::instance());
        QVERIFY(app);
        ScriptedOperator op;
        app->setOperator(&op);
        bool later = false;
        QTimer::singleShot(0, [] { throw std::runtime_error("Unable to write file"); });
        QTimer::singleShot(10, [&] { later = true; });
        QTRY_VERIFY(later);
        app->setOperator(nullptr);
        QCOMPARE(op.texts(Kind::Error), QStringList{"Unable to write file"});
    }

    void theProgramHoldsTheLockUntilItDies()
    {
        // The real program, headless: while it runs (at its operator prompt) the lock is taken;
        // killed, it leaves a lock that the next start takes over.
        QTemporaryDir home;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("XDG_RUNTIME_DIR", home.path());
        env.insert("XDG_DATA_HOME", home.filePath("share"));
        QVERIFY(QDir().mkdir(home.filePath("share")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(Q7_BINARY_DIR "/Q7UpgradeUtility"), {});
        QVERIFY(program.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home.filePath("Q7UpgradeUtility.lock")), 10000);
        QTRY_VERIFY(QFileInfo(home.filePath("share/Q7UpgradeUtility/Data")).isDir());

        auto contend = [&] {
            QProcess holder;
            holder.start(QStringLiteral(Q7_BINARY_DIR "/single_instance_holder"),
                         {"Q7UpgradeUtility", home.path()});
            holder.waitForStarted(5000);
            holder.waitForReadyRead(5000);
            const QByteArray verdict = holder.readLine().trimmed();
            holder.closeWriteChannel();
            holder.waitForFinished(5000);
            return verdict;
        };
        QCOMPARE(contend(), QByteArray("busy"));
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        QVERIFY(program.waitForFinished(5000));
        QCOMPARE(contend(), QByteArray("held"));
    }
};

int main(int argc, char** argv)
{
    Q7Application app(argc, argv);
    TestStartUp test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "TestStartUp.moc"
