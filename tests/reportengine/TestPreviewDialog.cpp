#include "PreviewDialog.h"

#include <QLabel>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTest>

// The preview opened on a document, without a screen: what it says and how it moves.
class TestPreviewDialog : public QObject
{
    Q_OBJECT

private:
    static PagedDocument twoPages()
    {
        QList<Page> pages(2);
        for (int p = 0; p < 2; ++p) {
            PageItem item;
            item.rect = QRectF(10, 10, 190, 5);
            item.text = QString("Page %1").arg(p + 1);
            item.frame = FrameSides(FrameSide::All);
            pages[p].items << item;
        }
        return PagedDocument(QSizeF(210, 297), pages, DocumentInfo{});
    }

private slots:
    void opensOnTheFirstPage()
    {
        const PagedDocument document = twoPages();
        PreviewDialog dialog(document, "A123 Q7 Report  MeterSN 1");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(dialog.isModal());
        QVERIFY(dialog.windowState() & Qt::WindowMaximized);
        QCOMPARE(dialog.windowTitle(), "A123 Q7 Report  MeterSN 1");

        auto* label = dialog.findChild<QLabel*>("pageLabel");
        QVERIFY(label);
        QCOMPARE(label->text(), "page 1 of 2");
        QVERIFY(!dialog.findChild<QPushButton*>("previousPageButton")->isEnabled());

        auto* sheet = dialog.findChild<QLabel*>("sheet");
        QVERIFY(sheet && !sheet->pixmap().isNull());
        const QImage page1 = sheet->pixmap().toImage();
        // 100 %: an A4 sheet at 96 dpi.
        QCOMPARE(sheet->size(), QSize(794, 1123));

        QTest::mouseClick(dialog.findChild<QPushButton*>("nextPageButton"), Qt::LeftButton);
        QCOMPARE(label->text(), "page 2 of 2");
        QVERIFY(!dialog.findChild<QPushButton*>("nextPageButton")->isEnabled());
        QVERIFY(sheet->pixmap().toImage() != page1);
        QTest::keyClick(&dialog, Qt::Key_PageDown);
        QCOMPARE(dialog.currentPage(), 1);
        QTest::keyClick(&dialog, Qt::Key_Home);
        QCOMPARE(label->text(), "page 1 of 2");

        QTest::mouseClick(dialog.findChild<QPushButton*>("zoomInButton"), Qt::LeftButton);
        QCOMPARE(dialog.zoomPercent(), 125);
        QCOMPARE(dialog.findChild<QLabel*>("zoomLabel")->text(), "125 %");
        QVERIFY(sheet->width() > 794);
        for (int i = 0; i < 20; ++i)
            dialog.zoomOut();
        QCOMPARE(dialog.zoomPercent(), 25);

        QTest::mouseClick(dialog.findChild<QPushButton*>("closeButton"), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
    }

    // Printing paints the same pages; a PDF printer lets another tool read them back.
    void printsThePages()
    {
        const PagedDocument document = twoPages();
        PreviewDialog dialog(document, "print");
        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath("printed.pdf"));
        dialog.printTo(printer, 2, 2);
        QProcess text;
        text.start("pdftotext", {dir.filePath("printed.pdf"), "-"});
        QVERIFY(text.waitForFinished());
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(printed.contains("Page 2") && !printed.contains("Page 1"), qPrintable(printed));
    }

    void emptyDocument()
    {
        const PagedDocument document;
        PreviewDialog dialog(document, "empty");
        QCOMPARE(dialog.pageText(), "page 0 of 0");
        dialog.nextPage();
        QCOMPARE(dialog.currentPage(), 0);
    }
};

QTEST_MAIN(TestPreviewDialog)
#include "TestPreviewDialog.moc"
