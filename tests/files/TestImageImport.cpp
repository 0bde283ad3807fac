#include "FilesBench.h"
#include "ImageImport.h"

#include <QtTest>

namespace {

const QString kTitle = "Select all images you want to add to Data Folder";

QString total(int n)
{
    return QString("A total of %1 images were copied to the data folder").arg(n);
}

} // namespace

class TestImageImport : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FilesBench> b;

private slots:
    void init() { b = std::make_unique<FilesBench>(); }
    void cleanup() { b.reset(); }

    void selectedPhotographsAreCopiedIntoTheSiteFolder()
    {
        const QString dcim = b->card("camera", {"IMG_1.JPG", "img_2.jpg", "IMG_3.JPG"});
        FilesBench::write(b->site() + "img_2.jpg", "an older photograph of the same name");
        b->op.answer(Operator::Answer::Yes);
        b->op.answerFiles(
            {dcim + "/IMG_1.JPG", dcim + "/img_2.jpg", dcim + "/gone.jpg", dcim + "/IMG_3.JPG"});

        addImages(*b->bench);

        QCOMPARE(FilesBench::files(b->site()), QStringList({"IMG_1.JPG", "IMG_3.JPG", "img_2.jpg"}));
        QCOMPARE(FilesBench::read(b->site() + "img_2.jpg"), QByteArray("img_2.jpg"));
        QCOMPARE(b->op.texts("message").last(), total(3));
        QVERIFY(b->bench->siteState.stepSet(SiteState::IMAGES_ADDED));

        const auto& shown = b->op.shown();
        const auto question =
            std::find_if(shown.begin(), shown.end(), [](auto& s) { return s.kind == "message"; });
        QCOMPARE(question->caption, QString("Images"));
        QVERIFY(question->text.startsWith("To Add Photos to the Data Folder.\n"));
        const auto dialog =
            std::find_if(shown.begin(), shown.end(), [](auto& s) { return s.kind == "files"; });
        QCOMPARE(dialog->caption, kTitle);
        QCOMPARE(dialog->text, QString("Image files (*.jpg)|*.JPG"));
    }

    // The bar gives the camera time to be mounted: 20 % after the first millisecond, 20 more
    // each second.
    void theWaitBeforeTheDialogCountsSeconds()
    {
        b->op.answer(Operator::Answer::Yes).answerFiles({});
        const std::int64_t before = b->clock.msecs();

        addImages(*b->bench);

        QList<int> bar;
        for (const auto& s : b->op.shown())
            if (s.kind == "progress" && (bar.isEmpty() || bar.last() != s.percent))
                bar << s.percent;
        QCOMPARE(bar, QList<int>({0, 20, 40, 60, 80, 100}));
        QVERIFY(b->clock.msecs() - before >= 5000);
        QCOMPARE(b->op.texts("message").last(), total(0));
        QVERIFY(!b->bench->siteState.stepSet(SiteState::IMAGES_ADDED));
    }

    void noCopiesWithoutYes()
    {
        b->op.answer(Operator::Answer::No);

        addImages(*b->bench);

        QCOMPARE(b->op.texts("files"), QStringList());
        QCOMPARE(b->op.texts("message").last(), total(0));
        QVERIFY(!b->bench->siteState.stepSet(SiteState::IMAGES_ADDED));
        QVERIFY(b->op.scriptDone());
    }

    void aFailedCopyEndsTheImportWithTheError()
    {
        const QString dcim = b->card("camera", {"a.jpg"});
        ReadOnlyFolder locked(b->site());
        if (!locked.ok())
            QSKIP("the site folder could not be made read-only here");
        b->op.answer(Operator::Answer::Yes).answerFiles({dcim + "/a.jpg"});

        addImages(*b->bench);

        QCOMPARE(b->op.texts("error").size(), 1);
        QVERIFY(b->op.texts("error").first().contains("a.jpg"));
        QVERIFY(!b->op.texts("message").contains(total(0)));
        QVERIFY(!QFile::exists(b->site() + "a.jpg"));
    }
};

QTEST_GUILESS_MAIN(TestImageImport)
#include "TestImageImport.moc"
