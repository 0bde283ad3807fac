#include "PdfWriter.h"

#include "JpegCodec.h"
#include "WinAnsi.h"

#include <QFileInfo>
#include <QSaveFile>

#include <map>
#include <zlib.h>

namespace {

constexpr double kPtPerMm = 72.0 / 25.4;

// Numbers with at most three decimals, never in exponent form and never with a locale's
// decimal comma.
QByteArray num(double value)
{
    QByteArray text = QByteArray::number(value, 'f', 3);
    if (text.contains('.')) {
        while (text.endsWith('0'))
            text.chop(1);
        if (text.endsWith('.'))
            text.chop(1);
    }
    if (text == "-0")
        text = "0";
    return text;
}

QByteArray deflate(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                  reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()), 9) != Z_OK)
        return {};
    out.truncate(qsizetype(size));
    return out;
}

QByteArray colour(const QColor& c, const char* op)
{
    return num(c.redF()) + ' ' + num(c.greenF()) + ' ' + num(c.blueF()) + ' ' + op + '\n';
}

// Writes numbered objects and remembers where each starts, for the cross-reference table.
class ObjectWriter
{
public:
    ObjectWriter() { m_out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"; }

    int reserve()
    {
        m_offsets.push_back(-1);
        return int(m_offsets.size());
    }
    void write(int number, const QByteArray& body)
    {
        m_offsets[std::size_t(number - 1)] = m_out.size();
        m_out += QByteArray::number(number) + " 0 obj\n" + body + "\nendobj\n";
    }
    void writeStream(int number, QByteArray dictionary, const QByteArray& data)
    {
        dictionary += " /Length " + QByteArray::number(data.size()) + " >>";
        write(number, dictionary + "\nstream\n" + data + "\nendstream");
    }
    QByteArray finish(int root, int info)
    {
        const qsizetype xref = m_out.size();
        m_out += "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size()) + 1) + '\n';
        m_out += "0000000000 65535 f \n";
        for (qsizetype offset : m_offsets)
            m_out += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
        m_out += "trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size()) + 1) + " /Root " +
                 QByteArray::number(root) + " 0 R /Info " + QByteArray::number(info) + " 0 R >>\n";
        m_out += "startxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
        return m_out;
    }

private:
    QByteArray m_out;
    std::vector<qsizetype> m_offsets;
};

class PageContent
{
public:
    PageContent(double pageHeightMm) : m_pageHeight(pageHeightMm * kPtPerMm) {}

    void add(const PageItem& item, const QByteArray& imageName)
    {
        const double x = item.rect.left() * kPtPerMm;
        const double w = item.rect.width() * kPtPerMm;
        const double h = item.rect.height() * kPtPerMm;
        const double y = m_pageHeight - item.rect.bottom() * kPtPerMm;
        const QByteArray box = num(x) + ' ' + num(y) + ' ' + num(w) + ' ' + num(h) + " re";

        if (item.fill)
            m_out += colour(*item.fill, "rg") + box + " f\n";
        if (!imageName.isEmpty())
            addImage(item, x, y, w, h, imageName);
        if (!item.text.isEmpty())
            addText(item, x, y, w, h, box);
        if (item.frame)
            addFrame(item.frame, x, y, w, h);
    }

    QByteArray bytes() const { return m_out; }

private:
    void addImage(const PageItem& item, double x, double y, double w, double h, const QByteArray& name)
    {
        // Centred in its box, keeping its proportions.
        const double scale = std::min(w / item.image->width, h / item.image->height);
        const double iw = item.image->width * scale;
        const double ih = item.image->height * scale;
        m_out += "q " + num(iw) + " 0 0 " + num(ih) + ' ' + num(x + (w - iw) / 2) + ' ' +
                 num(y + (h - ih) / 2) + " cm /" + name + " Do Q\n";
    }

    void addText(const PageItem& item, double x, double y, double w, double h, const QByteArray& box)
    {
        const QByteArray bytes = WinAnsi::encode(item.text);
        const TextStyle& style = item.style;
        const double width = WinAnsi::textWidthPt(bytes, style.bold, style.sizePt);
        const double padding = PageItem::kTextPaddingMm * kPtPerMm;
        double left = x + padding;
        if (style.alignment & Qt::AlignRight)
            left = x + w - padding - width;
        else if (style.alignment & Qt::AlignHCenter)
            left = x + (w - width) / 2;
        // Capitals centred in the box.
        const double baseline = y + (h - WinAnsi::kCapHeight * style.sizePt / 1000.0) / 2;
        m_out += "q " + box + " W n BT /" + (style.bold ? "F2 " : "F1 ") + num(style.sizePt) + " Tf 0 g " +
                 num(left) + ' ' + num(baseline) + " Td " + PdfWriter::literalString(bytes) + " Tj ET Q\n";
    }

    void addFrame(FrameSides sides, double x, double y, double w, double h)
    {
        m_out += "0 G " + num(PageItem::kFrameWidthMm * kPtPerMm) + " w\n";
        auto line = [&](double x1, double y1, double x2, double y2) {
            m_out += num(x1) + ' ' + num(y1) + " m " + num(x2) + ' ' + num(y2) + " l S\n";
        };
        if (hasSide(sides, FrameSide::Left))
            line(x, y, x, y + h);
        if (hasSide(sides, FrameSide::Top))
            line(x, y + h, x + w, y + h);
        if (hasSide(sides, FrameSide::Right))
            line(x + w, y, x + w, y + h);
        if (hasSide(sides, FrameSide::Bottom))
            line(x, y, x + w, y);
    }

    double m_pageHeight;
    QByteArray m_out;
};

QByteArray fontObject(const char* baseFont)
{
    return QByteArray("<< /Type /Font /Subtype /Type1 /BaseFont /") + baseFont +
           " /Encoding /WinAnsiEncoding >>";
}

} // namespace

QByteArray PdfWriter::literalString(const QByteArray& bytes)
{
    QByteArray out = "(";
    for (char c : bytes) {
        const auto b = std::uint8_t(c);
        if (c == '(' || c == ')' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20 || b > 0x7E) {
            out += '\\';
            out += char('0' + (b >> 6));
            out += char('0' + ((b >> 3) & 7));
            out += char('0' + (b & 7));
        } else {
            out += c;
        }
    }
    return out + ')';
}

QByteArray PdfWriter::textString(const QString& text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii = ascii && c.unicode() >= 0x20 && c.unicode() < 0x7F;
    if (ascii)
        return literalString(text.toLatin1());
    QByteArray hex = "<FEFF";
    for (QChar c : text)
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    return hex + '>';
}

QByteArray PdfWriter::dateString(const QDateTime& at)
{
    QByteArray date = "D:" + at.toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    const int offset = at.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    date += offset < 0 ? '-' : '+';
    date += QByteArray::number(minutes / 60).rightJustified(2, '0') + '\'' +
            QByteArray::number(minutes % 60).rightJustified(2, '0') + '\'';
    return date;
}

QByteArray PdfWriter::toPdf(const PagedDocument& document)
{
    ObjectWriter pdf;
    const int catalog = pdf.reserve();
    const int pageTree = pdf.reserve();
    const int regular = pdf.reserve();
    const int bold = pdf.reserve();
    const int info = pdf.reserve();

    pdf.write(regular, fontObject("Helvetica"));
    pdf.write(bold, fontObject("Helvetica-Bold"));

    const DocumentInfo& meta = document.info();
    QByteArray infoDict = "<< /Title " + textString(meta.title) + " /Author " + textString(meta.author) +
                          " /Producer " + textString(meta.producer);
    if (meta.creationDate.isValid())
        infoDict += " /CreationDate " + literalString(dateString(meta.creationDate));
    pdf.write(info, infoDict + " >>");

    // Each picture is stored once, however many pages show it.
    std::map<const RasterImage*, std::pair<int, QByteArray>> images;
    auto imageFor = [&](const std::shared_ptr<const RasterImage>& image) -> std::pair<int, QByteArray> {
        if (!image || !image->isValid())
            return {0, {}};
        auto found = images.find(image.get());
        if (found != images.end())
            return found->second;
        const int number = pdf.reserve();
        const QByteArray name = "Im" + QByteArray::number(images.size() + 1);
        const QByteArray dictionary = "<< /Type /XObject /Subtype /Image /Width " +
                                      QByteArray::number(image->width) + " /Height " +
                                      QByteArray::number(image->height) + " /ColorSpace " +
                                      (image->components == 1 ? "/DeviceGray" : "/DeviceRGB") +
                                      " /BitsPerComponent 8 /Filter /DCTDecode";
        pdf.writeStream(number, dictionary, JpegCodec::encode(*image, kJpegQuality));
        images.emplace(image.get(), std::make_pair(number, name));
        return {number, name};
    };

    const QSizeF size = document.pageSizeMm();
    const QByteArray mediaBox =
        "[0 0 " + num(size.width() * kPtPerMm) + ' ' + num(size.height() * kPtPerMm) + ']';
    QByteArray kids;
    for (const Page& page : document.pages()) {
        PageContent content(size.height());
        std::map<QByteArray, int> used;
        for (const PageItem& item : page.items) {
            const auto [number, name] = imageFor(item.image);
            if (number)
                used.emplace(name, number);
            content.add(item, name);
        }
        QByteArray resources = "<< /Font << /F1 " + QByteArray::number(regular) + " 0 R /F2 " +
                               QByteArray::number(bold) + " 0 R >>";
        if (!used.empty()) {
            resources += " /XObject <<";
            for (const auto& [name, number] : used)
                resources += " /" + name + ' ' + QByteArray::number(number) + " 0 R";
            resources += " >>";
        }
        resources += " /ProcSet [/PDF /Text /ImageB /ImageC] >>";

        const int pageObject = pdf.reserve();
        const int contents = pdf.reserve();
        pdf.writeStream(contents, "<< /Filter /FlateDecode", deflate(content.bytes()));
        pdf.write(pageObject, "<< /Type /Page /Parent " + QByteArray::number(pageTree) + " 0 R /MediaBox " +
                                  mediaBox + " /Resources " + resources + " /Contents " +
                                  QByteArray::number(contents) + " 0 R >>");
        kids += (kids.isEmpty() ? "" : " ") + QByteArray::number(pageObject) + " 0 R";
    }
    pdf.write(pageTree, "<< /Type /Pages /Kids [" + kids + "] /Count " +
                            QByteArray::number(document.pageCount()) + " >>");
    pdf.write(catalog, "<< /Type /Catalog /Pages " + QByteArray::number(pageTree) + " 0 R >>");
    return pdf.finish(catalog, info);
}

PdfWriter::Result PdfWriter::writeFile(const PagedDocument& document, const QString& path)
{
    const QByteArray bytes = toPdf(document);
    QSaveFile file(path);
    // Without this, a target that cannot be replaced atomically would be overwritten in place.
    file.setDirectWriteFallback(false);
    // Unbuffered: through the write buffer, a disk that fills part-way is not reported and
    // commit() renames the truncated file over the earlier one (seen with Qt 6.4).
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return {false, file.errorString()};
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            const QString error = file.errorString();
            file.cancelWriting();
            return {false, error};
        }
        done += qsizetype(written);
    }
    if (file.size() != bytes.size()) {
        file.cancelWriting();
        return {false, QStringLiteral("The file was not written completely.")};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}
