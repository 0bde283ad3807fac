#include "ByteOrder.h"
#include "Q7Port.h"
#include "Totalisers.h"
#include "WholeFile.h"
#include "WorkflowBench.h"

#include <QDir>
#include <QFile>
#include <QtTest>

#include <limits>

using Answer = Operator::Answer;

namespace {

// Records the values the totalisers dialog was opened with.
class InitialsOperator : public ScriptedOperator
{
public:
    std::optional<Q7Data::Totalisers> totalisers(const Q7Data::Totalisers& initial) override
    {
        initials << initial;
        return ScriptedOperator::totalisers(initial);
    }
    QList<Q7Data::Totalisers> initials;
};

Q7Data::Totalisers slotValues(float first)
{
    std::array<float, 10> v{};
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = first + static_cast<float>(i);
    return Q7Data::Totalisers::fromValues(v);
}

} // namespace

class TestTotalisers : public QObject
{
    Q_OBJECT

    std::unique_ptr<WorkflowBench> m_wb;
    InitialsOperator* m_op = nullptr;
    std::unique_ptr<Q7Port> m_link;

    // A selected site with an empty folder.
    void startSite()
    {
        auto op = std::make_unique<InitialsOperator>();
        m_op = op.get();
        m_wb = std::make_unique<WorkflowBench>(sim::BoardModel::replacement(), std::move(op));
        QString error;
        QVERIFY2(m_wb->start(&error), qPrintable(error));
        Workbench& bench = m_wb->bench();
        QVERIFY(QDir().mkdir(bench.dataFolderRoot + "S1"));
        bench.siteLicense = "S1";
        bench.siteDataDir = bench.dataFolderRoot + "S1/";
    }
    QString siteFile(const QString& name) const { return m_wb->bench().siteDataDir + name; }
    void writeBackup(const QByteArray& bytes)
    {
        QVERIFY(writeWholeFile(siteFile("Backup_Totalisers.bin"), bytes).ok);
    }
    Q7Port& link()
    {
        m_link = std::make_unique<Q7Port>(m_wb->clock());
        m_link->OpenPort(m_wb->devicePath(), 9600);
        return *m_link;
    }

private slots:
    void cleanup()
    {
        m_link.reset();
        m_wb.reset();
    }

    void payloadSplitsEachValue_data()
    {
        QTest::addColumn<float>("value");
        QTest::addColumn<int>("slot");
        QTest::addColumn<qint32>("integer");
        QTest::addColumn<float>("fraction");
        QTest::addRow("forward total") << 1234.5678f << 0 << 1234 << 567.749f;
        QTest::addRow("negative: both parts toward zero") << -2.25f << 5 << -2 << -250.0f;
        QTest::addRow("zero") << 0.0f << 9 << 0 << 0.0f;
        QTest::addRow("beyond the board's integer: its largest")
            << 3.0e9f << 2 << std::numeric_limits<qint32>::max() << 0.0f;
    }
    void payloadSplitsEachValue()
    {
        QFETCH(float, value);
        QFETCH(int, slot);
        QFETCH(qint32, integer);
        QFETCH(float, fraction);
        std::array<float, 10> values{};
        values[static_cast<std::size_t>(slot)] = value;
        const auto payload = totalsPayload(Q7Data::Totalisers::fromValues(values));
        const std::size_t at = 4 * static_cast<std::size_t>(slot);
        QCOMPARE(static_cast<qint32>(ByteOrder::readLe32(payload, at)), integer);
        QCOMPARE(ByteOrder::readLeF32(payload, 40 + at), fraction);
        for (std::size_t other = 0; other < 10; ++other) {
            if (other == static_cast<std::size_t>(slot))
                continue;
            QCOMPARE(ByteOrder::readLe32(payload, 4 * other), 0u);
            QCOMPARE(ByteOrder::readLeF32(payload, 40 + 4 * other), 0.0f);
        }
    }

    void sendTotalisers_data()
    {
        QTest::addColumn<int>("fileBytes"); // -1: no file
        QTest::addColumn<QString>("message");
        QTest::addRow("a 40-byte backup is sent") << 40 << QString();
        QTest::addRow("missing") << -1 << "Totaliser File not found";
        QTest::addRow("39 bytes") << 39 << "Totaliser File Invalid";
        QTest::addRow("41 bytes") << 41 << "Totaliser File Invalid";
    }
    void sendTotalisers()
    {
        QFETCH(int, fileBytes);
        QFETCH(QString, message);
        startSite();
        const QByteArray backup = bytesOf(slotValues(1000.25f));
        if (fileBytes >= 0)
            writeBackup(fileBytes <= 40 ? backup.left(fileBytes) : backup + '\0');

        QCOMPARE(::sendTotalisers(m_wb->bench(), link()), message.isEmpty());
        QCOMPARE(m_wb->op().texts(ScriptedOperator::Kind::Message),
                 message.isEmpty() ? QStringList() : QStringList{message});
        const auto updates = m_wb->board().model().totalsUpdates;
        QCOMPARE(updates.size(), message.isEmpty() ? 1 : 0);
        if (message.isEmpty())
            QCOMPARE(Q7Data::Totalisers::fromValues(updates.first()), slotValues(1000.25f));
    }

    void sendTotalisersToASilentBoard()
    {
        startSite();
        writeBackup(bytesOf(slotValues(1)));
        sim::BoardFaults faults;
        faults.silent = true;
        m_wb->board().setFaults(faults);
        QVERIFY(!::sendTotalisers(m_wb->bench(), link()));
        QCOMPARE(m_wb->op().statusTexts(), QStringList{"Failed to communicate with Q7"});
        QVERIFY(m_wb->op().texts(ScriptedOperator::Kind::Message).isEmpty());
    }

    void queryStartsFromAValidBackupOnly_data()
    {
        QTest::addColumn<int>("fileBytes");
        QTest::addColumn<bool>("loaded");
        QTest::addRow("40 bytes") << 40 << true;
        QTest::addRow("39 bytes") << 39 << false;
        QTest::addRow("41 bytes") << 41 << false;
    }
    void queryStartsFromAValidBackupOnly()
    {
        QFETCH(int, fileBytes);
        QFETCH(bool, loaded);
        startSite();
        const QByteArray backup = bytesOf(slotValues(7.5f));
        writeBackup(fileBytes <= 40 ? backup.left(fileBytes) : backup + '\0');
        m_wb->op().answerTotals(std::nullopt);
        QVERIFY(!queryTotalisers(m_wb->bench()));
        QCOMPARE(m_op->initials.size(), 1);
        QCOMPARE(m_op->initials.first(), loaded ? slotValues(7.5f) : Q7Data::Totalisers{});
        QVERIFY2(!QFile::exists(siteFile("Totalisers Log-Query.txt")), "Cancel writes nothing");
    }

    void queryWritesTheLogInDialogOrder()
    {
        startSite();
        m_wb->op().answerTotals(slotValues(100.0f));
        QVERIFY(queryTotalisers(m_wb->bench()));
        QVERIFY2(m_wb->op().texts(ScriptedOperator::Kind::Message).isEmpty(),
                 "nothing to overwrite, nothing asked");
        QCOMPARE(readAll(siteFile("Backup_Totalisers.bin")), bytesOf(slotValues(100.0f)));
        const QList<QByteArray> expected = {
            "Created via Query\r",
            "Totaliser readings  \t= 8 Dec 2026 14:05:09\r",
            "ForwardTotal        \t= 100.000\r",
            "ReverseTotal        \t= 101.000\r",
            "NettTotal           \t= 102.000\r",
            "OffPeakForwardTotal \t= 104.000\r",
            "PeakForwardTotal    \t= 103.000\r",
            "OffPeakReverseTotal \t= 106.000\r",
            "PeakReverseTotal    \t= 105.000\r",
            "ForwardYTDTotal     \t= 107.000\r",
            "ReverseYTDTotal     \t= 108.000\r",
            "NettYTDTotal       \t= 109.000\r",
            "",
        };
        QCOMPARE(readAll(siteFile("Totalisers Log-Query.txt")).split('\n'), expected);
        // The restore's check of the backup sees the typed values, not an earlier backup's.
        QVERIFY(readAll(siteFile("backup.sha256")).endsWith("  Backup_Totalisers.bin\n"));
    }

    void queryAsksBeforeOverwriting_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("written");
        QTest::addRow("yes") << int(Answer::Yes) << true;
        QTest::addRow("no") << int(Answer::No) << false;
    }
    void queryAsksBeforeOverwriting()
    {
        QFETCH(int, answer);
        QFETCH(bool, written);
        startSite();
        const QByteArray earlier = bytesOf(slotValues(1));
        writeBackup(earlier);
        m_wb->op().answerTotals(slotValues(50)).answer(Answer(answer));
        QVERIFY2(queryTotalisers(m_wb->bench()), "true after No as well");
        QCOMPARE(m_wb->op().texts(ScriptedOperator::Kind::Message),
                 QStringList{"Totalisers log file exists, are you sure you want to overwrite them?"});
        QCOMPARE(readAll(siteFile("Backup_Totalisers.bin")), written ? bytesOf(slotValues(50)) : earlier);
        QCOMPARE(QFile::exists(siteFile("Totalisers Log-Query.txt")), written);
    }

    void dialogKeyFilter_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QChar>("key");
        QTest::addColumn<bool>("accepted");
        QTest::addRow("digit") << "1" << QChar('7') << true;
        QTest::addRow("first full stop") << "12" << QChar('.') << true;
        QTest::addRow("second full stop") << "1.2" << QChar('.') << false;
        QTest::addRow("minus") << "" << QChar('-') << false;
        QTest::addRow("letter") << "1" << QChar('e') << false;
        QTest::addRow("blank") << "1" << QChar(' ') << false;
        QTest::addRow("comma") << "1" << QChar(',') << false;
        QTest::addRow("enter") << "1" << QChar(13) << false;
        QTest::addRow("backspace") << "1" << QChar(8) << true;
    }
    void dialogKeyFilter()
    {
        QFETCH(QString, text);
        QFETCH(QChar, key);
        QFETCH(bool, accepted);
        QCOMPARE(TotalisersInput::acceptsKey(text, key), accepted);
    }

    void dialogConversion_data()
    {
        QTest::addColumn<QString>("forward");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("converted");
        QTest::addColumn<float>("value");
        QTest::addRow("decimal") << "1234.5678"
                                 << "C" << true << 1234.5678f;
        QTest::addRow("emptied box shows 0") << TotalisersInput::afterChange("") << "C" << true << 0.0f;
        QTest::addRow("a lone full stop") << "."
                                          << "C" << false << 0.0f;
        QTest::addRow("beyond a 32-bit float") << QString(40, '9') << "C" << false << 0.0f;
        QTest::addRow("PC's decimal comma") << "1.5"
                                            << "de_DE" << false << 0.0f;
    }
    void dialogConversion()
    {
        QFETCH(QString, forward);
        QFETCH(QString, locale);
        QFETCH(bool, converted);
        QFETCH(float, value);
        std::array<QString, 10> texts;
        texts.fill("2");
        texts[0] = forward;
        const auto totals = TotalisersInput::convert(texts, QLocale(locale));
        QCOMPARE(totals.has_value(), converted);
        if (converted) {
            QCOMPARE(totals->ForwardTotal, value);
            QCOMPARE(totals->NettYTDTotal, 2.0f);
        }
    }
};

QTEST_GUILESS_MAIN(TestTotalisers)
#include "TestTotalisers.moc"
