#include "PreviewDialog.h"

#include "PagePainter.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr std::array kZoomSteps{25, 50, 75, 100, 125, 150, 200, 300, 400};

QPushButton* button(const QString& text, const QString& name, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

} // namespace

PreviewDialog::PreviewDialog(const PagedDocument& document, const QString& title, QWidget* parent)
    : QDialog(parent), m_document(document)
{
    setObjectName(QStringLiteral("PreviewDialog"));
    setWindowTitle(title);
    setModal(true);
    setWindowState(Qt::WindowMaximized);

    m_first = button(tr("|<"), QStringLiteral("firstPageButton"), this);
    m_previous = button(tr("<"), QStringLiteral("previousPageButton"), this);
    m_pageLabel = new QLabel(this);
    m_pageLabel->setObjectName(QStringLiteral("pageLabel"));
    m_next = button(tr(">"), QStringLiteral("nextPageButton"), this);
    m_last = button(tr(">|"), QStringLiteral("lastPageButton"), this);
    auto* zoomOutButton = button(tr("-"), QStringLiteral("zoomOutButton"), this);
    m_zoomLabel = new QLabel(this);
    m_zoomLabel->setObjectName(QStringLiteral("zoomLabel"));
    auto* zoomInButton = button(tr("+"), QStringLiteral("zoomInButton"), this);
    auto* printButton = button(tr("Print"), QStringLiteral("printButton"), this);
    auto* closeButton = button(tr("Close"), QStringLiteral("closeButton"), this);

    auto* bar = new QHBoxLayout;
    for (QWidget* w :
         {static_cast<QWidget*>(m_first), static_cast<QWidget*>(m_previous),
          static_cast<QWidget*>(m_pageLabel), static_cast<QWidget*>(m_next), static_cast<QWidget*>(m_last)})
        bar->addWidget(w);
    bar->addSpacing(24);
    bar->addWidget(zoomOutButton);
    bar->addWidget(m_zoomLabel);
    bar->addWidget(zoomInButton);
    bar->addStretch();
    bar->addWidget(printButton);
    bar->addWidget(closeButton);

    m_sheet = new QLabel;
    m_sheet->setObjectName(QStringLiteral("sheet"));
    m_sheet->setAlignment(Qt::AlignCenter);
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_scroll->setAlignment(Qt::AlignHCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setWidget(m_sheet);
    m_scroll->setWidgetResizable(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_scroll, 1);

    connect(m_first, &QPushButton::clicked, this, [this] { showPage(0); });
    connect(m_previous, &QPushButton::clicked, this, &PreviewDialog::previousPage);
    connect(m_next, &QPushButton::clicked, this, &PreviewDialog::nextPage);
    connect(m_last, &QPushButton::clicked, this, [this] { showPage(m_document.pageCount() - 1); });
    connect(zoomInButton, &QPushButton::clicked, this, &PreviewDialog::zoomIn);
    connect(zoomOutButton, &QPushButton::clicked, this, &PreviewDialog::zoomOut);
    connect(printButton, &QPushButton::clicked, this, &PreviewDialog::print);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    render();
}

QString PreviewDialog::pageText() const
{
    return tr("page %1 of %2").arg(m_document.pageCount() ? m_page + 1 : 0).arg(m_document.pageCount());
}

void PreviewDialog::showPage(int page)
{
    const int clamped = std::clamp(page, 0, std::max(0, m_document.pageCount() - 1));
    if (clamped == m_page)
        return;
    m_page = clamped;
    render();
}

void PreviewDialog::zoomIn()
{
    const auto* next = std::upper_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoom);
    if (next != kZoomSteps.end()) {
        m_zoom = *next;
        render();
    }
}

void PreviewDialog::zoomOut()
{
    const auto* at = std::lower_bound(kZoomSteps.begin(), kZoomSteps.end(), m_zoom);
    if (at != kZoomSteps.begin()) {
        m_zoom = *(at - 1);
        render();
    }
}

void PreviewDialog::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        nextPage();
        break;
    case Qt::Key_PageUp:
        previousPage();
        break;
    case Qt::Key_Home:
        showPage(0);
        break;
    case Qt::Key_End:
        showPage(m_document.pageCount() - 1);
        break;
    case Qt::Key_Plus:
        zoomIn();
        break;
    case Qt::Key_Minus:
        zoomOut();
        break;
    default:
        QDialog::keyPressEvent(event);
    }
}

void PreviewDialog::render()
{
    const int count = m_document.pageCount();
    m_pageLabel->setText(pageText());
    m_zoomLabel->setText(QStringLiteral("%1 %").arg(m_zoom));
    m_first->setEnabled(m_page > 0);
    m_previous->setEnabled(m_page > 0);
    m_next->setEnabled(m_page + 1 < count);
    m_last->setEnabled(m_page + 1 < count);
    if (count == 0) {
        m_sheet->clear();
        return;
    }
    // 100 % is the sheet at its real size on a 96 dpi screen.
    const double scale = devicePixelRatioF();
    const QSizeF mm = m_document.pageSizeMm();
    const QSize size(qRound(mm.width() / 25.4 * 96 * m_zoom / 100),
                     qRound(mm.height() / 25.4 * 96 * m_zoom / 100));
    QPixmap pixmap(size * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Qt::white);
    QPainter painter(&pixmap);
    PagePainter::paint(painter, m_document, m_page, QRectF(QPointF(0, 0), QSizeF(size)));
    painter.end();
    m_sheet->setPixmap(pixmap);
    m_sheet->resize(size);
}

void PreviewDialog::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    printer.setDocName(windowTitle());
    printer.setFromTo(1, m_document.pageCount());
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, m_document.pageCount());
    if (dialog.exec() != QDialog::Accepted)
        return;
    int first = 1;
    int last = m_document.pageCount();
    if (printer.printRange() == QPrinter::PageRange) {
        first = std::max(1, printer.fromPage());
        last = std::min(last, printer.toPage());
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = m_page + 1;
    }
    printTo(printer, first, last);
}

void PreviewDialog::printTo(QPrinter& printer, int first, int last) const
{
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setFullPage(true);
    QPainter painter;
    if (!painter.begin(&printer))
        return;
    const QRectF sheet = printer.paperRect(QPrinter::DevicePixel);
    for (int page = std::max(1, first); page <= std::min(last, m_document.pageCount()); ++page) {
        if (page != std::max(1, first))
            printer.newPage();
        PagePainter::paint(painter, m_document, page - 1, QRectF(QPointF(0, 0), sheet.size()));
    }
    painter.end();
}
