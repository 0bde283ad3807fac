#include "SettingsFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettingsFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath("Q7UpgradeUtility.ini");
        QFile::remove(m_path);
        QDir().rmdir(m_path);
    }

    void load_data()
    {
        QTest::addColumn<QByteArray>("content"); // "<missing>", "<unreadable>" or the file
        QTest::addColumn<bool>("autoDetect");
        QTest::addColumn<bool>("openReport");
        QTest::addColumn<QString>("operatorName");

        QTest::addRow("missing file gives the defaults") << QByteArray("<missing>") << true << false << "";
        QTest::addRow("unreadable file gives the defaults")
            << QByteArray("<unreadable>") << true << false << "";
        QTest::addRow("yes is no integer: default")
            << QByteArray("[Defaults]\r\nAutoDetectQ7=yes\r\nOpenReportOnCompletion=yes\r\n") << true << false
            << "";
        QTest::addRow("2 is true") << QByteArray(
                                          "[Defaults]\r\nAutoDetectQ7=2\r\nOpenReportOnCompletion=2\r\n")
                                   << true << true << "";
        QTest::addRow("0 is false, name read")
            << QByteArray("[Defaults]\r\nComport=COM3\r\nAutoDetectQ7=0\r\nOpenReportOnCompletion=0\r\n"
                          "OperatorName=Ann Lee\r\n")
            << false << false << "Ann Lee";
        QTest::addRow("empty value: default")
            << QByteArray("[Defaults]\r\nAutoDetectQ7=\r\n") << true << false << "";
        QTest::addRow("keys of another section ignored")
            << QByteArray("[Port]\r\nAutoDetectQ7=0\r\nOperatorName=X\r\n") << true << false << "";
    }

    void load()
    {
        QFETCH(QByteArray, content);
        if (content == "<unreadable>") {
            QVERIFY(QDir().mkdir(m_path));
        } else if (content != "<missing>") {
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        const Settings settings = SettingsFile(m_path).load();
        QTEST(settings.autoDetectQ7, "autoDetect");
        QTEST(settings.openReportOnCompletion, "openReport");
        QTEST(settings.operatorName, "operatorName");
    }

    void saveWritesTheFourKeysInOrderAndReadsBack()
    {
        SettingsFile settings(m_path);
        QVERIFY(settings.save("/dev/ttyUSB0", {false, true, "Ann"}));
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Defaults]\r\nComport=/dev/ttyUSB0\r\nAutoDetectQ7=0\r\n"
                                            "OpenReportOnCompletion=1\r\nOperatorName=Ann\r\n"));
        const Settings back = settings.load();
        QCOMPARE(back.autoDetectQ7, false);
        QCOMPARE(back.openReportOnCompletion, true);
        QCOMPARE(back.operatorName, QString("Ann"));
        QCOMPARE(settings.comport(), QString("/dev/ttyUSB0"));
    }

    void saveIntoAMissingConfigurationFolder()
    {
        // The per-user fallback location may not exist yet.
        SettingsFile settings(m_dir.filePath("config/Q7UpgradeUtility/Q7UpgradeUtility.ini"));
        QVERIFY(settings.saveComport("COM4"));
        QCOMPARE(settings.comport(), QString("COM4"));
    }

    void defaultPath_data()
    {
        QTest::addColumn<QString>("folder"); // "<temp>" for a writable folder of the test's own
        QTest::addColumn<bool>("beside");

        QTest::addRow("a build folder keeps the file beside the program") << "<temp>" << true;
        // Root may write /usr/bin, but the package manager owns it.
        QTest::addRow("an installed copy in /usr/bin") << "/usr/bin" << false;
        QTest::addRow("a copy in /usr/local/bin") << "/usr/local/bin" << false;
    }

    void defaultPath()
    {
        QFETCH(QString, folder);
        QFETCH(bool, beside);
        if (folder == "<temp>")
            folder = m_dir.path();
        const QString config = m_dir.filePath("config/Q7UpgradeUtility");
        const QString path = SettingsFile::defaultPath(folder + "/Q7UpgradeUtility", config);
        QCOMPARE(path, (beside ? folder : config) + "/Q7UpgradeUtility.ini");
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "TestSettingsFile.moc"
