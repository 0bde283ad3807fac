#include "IniProfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

// The profile-function semantics the settings file relies on: a file edited by hand or by an
// older version must come through a save with everything but the written keys unchanged.
class TestIniProfile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath("test.ini");
        QFile::remove(m_path);
    }

    void writes_data()
    {
        QTest::addColumn<QByteArray>("before");  // "<missing>" for no file
        QTest::addColumn<QStringList>("writes"); // section, key, value triples
        QTest::addColumn<QByteArray>("after");

        QTest::addRow("first write creates the file")
            << QByteArray("<missing>") << QStringList{"Defaults", "Comport", "COM3"}
            << QByteArray("[Defaults]\r\nComport=COM3\r\n");
        QTest::addRow("new keys are appended in write order")
            << QByteArray("<missing>")
            << QStringList{"Defaults", "Comport",      "",   "Defaults", "AutoDetectQ7", "1",
                           "Defaults", "OperatorName", "Ann"}
            << QByteArray("[Defaults]\r\nComport=\r\nAutoDetectQ7=1\r\nOperatorName=Ann\r\n");
        QTest::addRow("update in place, names match in any case, other lines kept")
            << QByteArray("; written by hand\r\n[Other]\r\nComport=keep\r\n[DEFAULTS]\r\n  comport = COM1\r\n"
                          "OperatorName=Ann\r\n\r\n[Tail]\r\nY=2\r\n")
            << QStringList{"Defaults", "Comport", "COM3", "defaults", "AUTODETECTQ7", "0"}
            << QByteArray("; written by hand\r\n[Other]\r\nComport=keep\r\n[DEFAULTS]\r\ncomport=COM3\r\n"
                          "OperatorName=Ann\r\nAUTODETECTQ7=0\r\n\r\n[Tail]\r\nY=2\r\n");
        QTest::addRow("last line without line break, LF-only lines kept")
            << QByteArray("[Defaults]\nComport=A") << QStringList{"Defaults", "OperatorName", "B"}
            << QByteArray("[Defaults]\nComport=A\r\nOperatorName=B\r\n");
        QTest::addRow("last line ending in a lone CR")
            << QByteArray("[Defaults]\r\nComport=A\r") << QStringList{"Defaults", "OperatorName", "B"}
            << QByteArray("[Defaults]\r\nComport=A\r\nOperatorName=B\r\n");
        QTest::addRow("missing section goes to the end")
            << QByteArray("[Other]\r\nX=1\r\n") << QStringList{"Defaults", "Comport", "COM3"}
            << QByteArray("[Other]\r\nX=1\r\n\r\n[Defaults]\r\nComport=COM3\r\n");
        QTest::addRow("a line break in a value cannot forge a key")
            << QByteArray("<missing>") << QStringList{"Defaults", "OperatorName", "Ann\r\nAutoDetectQ7=0"}
            << QByteArray("[Defaults]\r\nOperatorName=Ann  AutoDetectQ7=0\r\n");
    }

    void writes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QStringList, writes);
        QFETCH(QByteArray, after);
        if (before != "<missing>")
            writeAll(m_path, before);
        IniProfile ini(m_path);
        for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
            QVERIFY(ini.writeString(writes[i], writes[i + 1], writes[i + 2]));
        QCOMPARE(readAll(m_path), after);
        QVERIFY2(QDir(m_dir.path()).entryList(QDir::Files) == QStringList{"test.ini"},
                 "no temporary file left");
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("expected"); // invalid: no value

        const QByteArray file =
            "[Other]\r\nName=wrong\r\n[defaults]\r\n Name =  Ann Lee  \r\nQuoted=\" x \"\r\n"
            ";Comment=1\r\nNumber= 42 \r\nHex=0x10\r\n";
        QTest::addRow("blanks around the value dropped") << file << "NAME" << QVariant("Ann Lee");
        QTest::addRow("one pair of quotes dropped") << file << "Quoted" << QVariant(" x ");
        QTest::addRow("comment is no key") << file << "Comment" << QVariant();
        QTest::addRow("missing key") << file << "Absent" << QVariant();
        QTest::addRow("number") << file << "Number" << QVariant("42");
    }

    void reads()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, key);
        QFETCH(QVariant, expected);
        writeAll(m_path, content);
        const auto value = IniProfile(m_path).readString("Defaults", key);
        QCOMPARE(value.has_value(), expected.isValid());
        if (value)
            QCOMPARE(*value, expected.toString());
    }

    void unreadableFileIsNeitherReadNorReplaced()
    {
        // A folder where the file should be stands in for a file that cannot be read, even as
        // root.
        QVERIFY(QDir().mkdir(m_path));
        IniProfile ini(m_path);
        QVERIFY(!ini.readString("Defaults", "Comport"));
        QVERIFY(!ini.writeString("Defaults", "Comport", "COM3"));
        QVERIFY(QFileInfo(m_path).isDir());
        QVERIFY(QDir().rmdir(m_path));
    }
};

QTEST_GUILESS_MAIN(TestIniProfile)
#include "TestIniProfile.moc"
