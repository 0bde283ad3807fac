// What a front end sees of the workbench: the caption, the site menu items, the upgrade
// button and the link's traffic reach the view it was given, from the workflow code itself.
#include "Q7Port.h"
#include "SimBench.h"
#include "SiteSelection.h"
#include "Workbench.h"

#include <QDir>
#include <QtTest>

using Kind = ScriptedOperator::Kind;

namespace {
const QString kCaptionPrefix = QStringLiteral("Q7 Upgrade Utility   Site License/Data Directory = ");
const QString kOverwrite =
    QStringLiteral("Directory exists, files will be over written.\nAre you sure you want to continue?");
} // namespace

class TestWorkbench : public QObject
{
    Q_OBJECT

private slots:
    void siteSelectionReachesTheView_data()
    {
        QTest::addColumn<QString>("existing"); // a site folder already under the data root
        QTest::addColumn<std::optional<QString>>("licence");
        QTest::addColumn<std::optional<Operator::Answer>>("overwrite");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QList<bool>>("siteItems");

        QTest::addRow("new site") << QString() << std::optional<QString>("a12.b")
                                  << std::optional<Operator::Answer>()
                                  << QStringList{kCaptionPrefix + "A12_B"} << QList<bool>{true};
        QTest::addRow("licence cancelled")
            << QString() << std::optional<QString>() << std::optional<Operator::Answer>() << QStringList{}
            << QList<bool>{false};
        QTest::addRow("nothing left after the filter")
            << QString() << std::optional<QString>("/-") << std::optional<Operator::Answer>() << QStringList{}
            << QList<bool>{false};
        QTest::addRow("existing site kept") << "A123" << std::optional<QString>("A123")
                                            << std::optional<Operator::Answer>(Operator::Answer::Yes)
                                            << QStringList{kCaptionPrefix + "A123"} << QList<bool>{true};
        QTest::addRow("existing site refused")
            << "A123" << std::optional<QString>("A123")
            << std::optional<Operator::Answer>(Operator::Answer::No) << QStringList{} << QList<bool>{false};
    }

    void siteSelectionReachesTheView()
    {
        QFETCH(QString, existing);
        QFETCH(std::optional<QString>, licence);
        QFETCH(std::optional<Operator::Answer>, overwrite);
        SimBench bench(std::vector<sim::BoardModel>{}); // no board: nothing here talks to one
        Workbench& workbench = bench.workbench();
        if (!existing.isEmpty())
            QVERIFY(QDir(workbench.dataFolderRoot).mkdir(existing));
        bench.op().answerLicense(licence);
        if (overwrite)
            bench.op().answer(*overwrite);

        const bool selected = selectSite(workbench);

        QTEST(bench.view().captions, "captions");
        QTEST(bench.view().siteItems, "siteItems");
        QCOMPARE(selected, bench.view().siteItems.value(0));
        QCOMPARE(bench.op().texts(Kind::Message), overwrite ? QStringList{kOverwrite} : QStringList{});
        QVERIFY(bench.op().scriptDone());
        // Asked once per run: a second selection shows nothing new.
        if (selected) {
            QVERIFY(selectSite(workbench));
            QCOMPARE(bench.view().captions.size(), 1);
        }
    }

    void upgradeButtonAndLinkTrafficReachTheView()
    {
        SimBench bench;
        QVERIFY(bench.isReady());
        bench.workbench().setUpgradeButton(true, false);
        QCOMPARE(bench.view().upgradeButton, (QList<std::pair<bool, bool>>{{true, false}}));

        Q7Port& link = bench.openPort();
        QVERIFY(link.getStucture(4));
        QVERIFY(bench.view().sent > 0);
        QVERIFY(bench.view().received > 0);
    }
};

QTEST_MAIN(TestWorkbench)
#include "TestWorkbench.moc"
