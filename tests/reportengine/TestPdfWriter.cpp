#include "JpegCodec.h"
#include "PdfTools.h"
#include "PdfWriter.h"
#include "WinAnsi.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// Lowers the largest file this process may write, so a write fails part-way as it would on a
// full disk; the signal that would end the process is ignored, so the write just fails.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_saved{};
    void (*m_handler)(int) = nullptr;
};

PageItem textItem(QRectF rect, const QString& text, bool bold = false)
{
    PageItem item;
    item.rect = rect;
    item.text = text;
    item.style.bold = bold;
    return item;
}

std::shared_ptr<const RasterImage> checkerImage()
{
    RasterImage image;
    image.width = 40;
    image.height = 20;
    image.components = 3;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            for (int c = 0; c < 3; ++c)
                image.pixels.push_back(((x / 10 + y / 10) % 2) ? 255 : std::uint8_t(60 * c));
    return std::make_shared<const RasterImage>(std::move(image));
}

// Two pages sharing one picture, with bold and regular text, a fill and frames.
PagedDocument sampleDocument()
{
    const auto image = checkerImage();
    QList<Page> pages(2);
    for (int p = 0; p < 2; ++p) {
        PageItem picture;
        picture.rect = QRectF(10, 10, 40, 10);
        picture.image = image;
        picture.frame = FrameSides(FrameSide::All);
        pages[p].items << picture;
        PageItem heading = textItem(QRectF(10, 30, 190, 5), QString("Heading %1").arg(p + 1), true);
        heading.fill = QColor(204, 204, 204);
        heading.frame = FrameSides(FrameSide::All);
        pages[p].items << heading << textItem(QRectF(10, 40, 60, 5), "Left")
                       << textItem(QRectF(70, 40, 130, 5), "Right");
    }
    return PagedDocument(
        QSizeF(210, 297), pages,
        DocumentInfo{"A (title)", "Jos\u00e9", "Q7 Upgrade Utility",
                     QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9), Qt::OffsetFromUTC, 3600)});
}

} // namespace

class TestPdfWriter : public QObject
{
    Q_OBJECT

private slots:
    void winAnsi_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("ascii") << "Abc = 1" << QByteArray("Abc = 1");
        QTest::addRow("latin-1") << "\u00e9\u00b0\u00ff" << QByteArray("\xe9\xb0\xff");
        QTest::addRow("code page specials") << "\u20ac\u2013\u2019\u0160" << QByteArray("\x80\x96\x92\x8a");
        QTest::addRow("missing letters") << "\u03a9\u4e2d" << QByteArray("??");
        QTest::addRow("one ? per character, not per UTF-16 unit") << "a\U0001F600b" << QByteArray("a?b");
        QTest::addRow("tab and control characters") << "a\tb\x7f\x01" << QByteArray("a b??");
    }

    void winAnsi()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(WinAnsi::encode(text), bytes);
        QCOMPARE(WinAnsi::representable(text).size(), bytes.size());
        // What the preview paints is what the PDF prints.
        QCOMPARE(WinAnsi::encode(WinAnsi::representable(text)), bytes);
    }

    void widthsAreHelveticas()
    {
        // From the fonts' metrics: "W" 944 and 944 bold, "i" 222 and 278 bold, space 278.
        QCOMPARE(WinAnsi::textWidthPt("W", false, 10), 9.44);
        QCOMPARE(WinAnsi::textWidthPt("i", true, 10), 2.78);
        QCOMPARE(WinAnsi::textWidthPt("i i", false, 1000), 722.0);
    }

    void literalStrings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("literal");
        QTest::addRow("plain") << QByteArray("Total 1") << QByteArray("(Total 1)");
        QTest::addRow("parentheses") << QByteArray("Fault(eror)") << QByteArray("(Fault\\(eror\\))");
        QTest::addRow("unbalanced") << QByteArray(")(") << QByteArray("(\\)\\()");
        QTest::addRow("backslash") << QByteArray("a\\b") << QByteArray("(a\\\\b)");
        QTest::addRow("8-bit in octal") << QByteArray("\xe9\x80") << QByteArray("(\\351\\200)");
        QTest::addRow("line breaks in octal") << QByteArray("a\r\nb") << QByteArray("(a\\015\\012b)");
    }

    void literalStrings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, literal);
        QCOMPARE(PdfWriter::literalString(bytes), literal);
    }

    void infoStrings()
    {
        QCOMPARE(PdfWriter::textString("J. Smith"), QByteArray("(J. Smith)"));
        QCOMPARE(PdfWriter::textString("Jos\u00e9"), QByteArray("<FEFF004A006F007300E9>"));
        QCOMPARE(
            PdfWriter::dateString(QDateTime(QDate(2026, 12, 8), QTime(14, 5, 9), Qt::OffsetFromUTC, -16200)),
            QByteArray("D:20261208140509-04'30'"));
    }

    // Every cross-reference entry must point at its object, and startxref at the table.
    void crossReferenceIsExact()
    {
        const QByteArray pdf = PdfWriter::toPdf(sampleDocument());
        QVERIFY(pdf.startsWith("%PDF-1.4\n"));
        QVERIFY(pdf.endsWith("%%EOF\n"));
        const qsizetype startxref = pdf.lastIndexOf("startxref\n");
        const qsizetype table = pdf.mid(startxref + 10).split('\n').first().toLongLong();
        QVERIFY(pdf.mid(table).startsWith("xref\n0 "));
        const QList<QByteArray> lines = pdf.mid(table).split('\n');
        const int count = lines.at(1).split(' ').at(1).toInt();
        QCOMPARE(lines.at(2), QByteArray("0000000000 65535 f "));
        for (int object = 1; object < count; ++object) {
            const QByteArray entry = lines.at(object + 2);
            QCOMPARE(entry.size(), 19); // plus the line feed: 20 bytes
            const qsizetype offset = entry.left(10).toLongLong();
            QVERIFY2(pdf.mid(offset).startsWith(QByteArray::number(object) + " 0 obj\n"), entry.constData());
        }
        QVERIFY(lines.at(count + 2).startsWith("trailer"));
    }

    void sameDocumentSameBytes()
    {
        const QByteArray first = PdfWriter::toPdf(sampleDocument());
        QCOMPARE(PdfWriter::toPdf(sampleDocument()), first);
        QVERIFY(first.contains("/CreationDate (D:20261208140509+01'00')"));
        QVERIFY(first.contains("/Author <FEFF004A006F007300E9>"));
        QVERIFY(first.contains("/Title (A \\(title\\))"));
        QVERIFY(!first.contains("/Encrypt"));
        QVERIFY(!first.contains("/Outlines"));
    }

    void independentToolsAcceptIt()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("sample.pdf");
        QVERIFY(PdfWriter::writeFile(sampleDocument(), path).ok);

        const auto check = runTool("qpdf", {"--check", path});
        QVERIFY2(check.exitCode == 0, qPrintable(check.out + check.err));

        const auto fonts = runTool("pdffonts", {path}).out;
        QVERIFY2(fonts.contains(QRegularExpression("\\nHelvetica +Type 1 +WinAnsi +no")), qPrintable(fonts));
        QVERIFY2(fonts.contains(QRegularExpression("\\nHelvetica-Bold +Type 1 +WinAnsi +no")),
                 qPrintable(fonts));

        // One picture object shown on both pages, stored as JPEG.
        const QStringList images = runTool("pdfimages", {"-list", path}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(images.size(), 4);
        for (int i = 2; i < 4; ++i) {
            const QStringList fields = images.at(i).simplified().split(' ');
            QCOMPARE(fields.at(3), "40");
            QCOMPARE(fields.at(8), "jpeg");
            QCOMPARE(fields.at(10), images.at(2).simplified().split(' ').at(10));
        }

        const QStringList pages = PdfTools::pageTexts(path);
        QCOMPARE(pages.size(), 2);
        QVERIFY(pages.at(1).contains(QRegularExpression("Heading 2\\s+Left\\s+Right")));
    }

    // What lies outside a text's cell is not drawn.
    void textIsClippedToItsCell()
    {
        PageItem narrow = textItem(QRectF(10, 10, 20, 5), QString(40, 'W'), true);
        PagedDocument doc(QSizeF(100, 30), {Page{{narrow}}}, DocumentInfo{});
        QTemporaryDir dir;
        QVERIFY(PdfWriter::writeFile(doc, dir.filePath("clip.pdf")).ok);
        const auto render = runTool("pdftoppm", {"-r", "254", "-gray", "-png", "-singlefile",
                                                 dir.filePath("clip.pdf"), dir.filePath("clip")});
        QCOMPARE(render.exitCode, 0);
        const QImage image(dir.filePath("clip.png")); // 10 pixels per millimetre
        QVERIFY(!image.isNull());
        auto darkIn = [&](int fromMm, int toMm) {
            int dark = 0;
            for (int x = fromMm * 10; x < toMm * 10; ++x)
                for (int y = 100; y < 150; ++y)
                    dark += qGray(image.pixel(x, y)) < 128;
            return dark;
        };
        QVERIFY(darkIn(11, 29) > 100);
        QCOMPARE(darkIn(31, 99), 0);
    }

    void jpegRoundTrip()
    {
        const auto image = checkerImage();
        const QByteArray jpeg = JpegCodec::encode(*image, PdfWriter::kJpegQuality);
        QVERIFY(jpeg.startsWith("\xff\xd8"));
        QCOMPARE(JpegCodec::encode(*image, PdfWriter::kJpegQuality), jpeg);
        const auto decoded = JpegCodec::decode(jpeg);
        QVERIFY(decoded);
        QCOMPARE(decoded->width, 40);
        QCOMPARE(decoded->height, 20);
        QCOMPARE(decoded->components, 3);
        QVERIFY(!JpegCodec::decode(jpeg.left(20)));
        QVERIFY(!JpegCodec::decode("not a picture"));
    }

    void writeFailures_data()
    {
        QTest::addColumn<QString>("relativePath");
        QTest::addColumn<bool>("limitSize");
        QTest::addRow("missing folder") << "missing/report.pdf" << false;
        QTest::addRow("write fails part-way") << "report.pdf" << true;
    }

    // A failed write leaves no part of the new file and the earlier file as it was.
    void writeFailures()
    {
        QFETCH(QString, relativePath);
        QFETCH(bool, limitSize);
        QTemporaryDir dir;
        const QString path = dir.filePath(relativePath);
        const QByteArray earlier = "earlier report";
        if (QDir(dir.path()).exists(QFileInfo(relativePath).path())) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(earlier);
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::Files);

        PdfWriter::Result result;
        {
            std::optional<FileSizeLimit> limit;
            if (limitSize)
                limit.emplace(1000);
            result = PdfWriter::writeFile(sampleDocument(), path);
        }
        QVERIFY(!result.ok);
        QVERIFY(!result.error.isEmpty());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
        if (QFile::exists(path)) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), earlier);
        }
    }
};

QTEST_GUILESS_MAIN(TestPdfWriter)
#include "TestPdfWriter.moc"
