#pragma once

#include "PagedDocument.h"

#include <QDialog>

class QLabel;
class QPrinter;
class QPushButton;
class QScrollArea;

// The modal, maximised, read-only preview of a prepared report: page navigation, zoom, and a
// Print button that paints the same pages onto a printer.
class PreviewDialog : public QDialog
{
    Q_OBJECT
public:
    PreviewDialog(const PagedDocument& document, const QString& title, QWidget* parent = nullptr);

    int currentPage() const { return m_page; } // 0 for the first
    int zoomPercent() const { return m_zoom; }
    QString pageText() const;

public slots:
    void showPage(int page);
    void nextPage() { showPage(m_page + 1); }
    void previousPage() { showPage(m_page - 1); }
    void zoomIn();
    void zoomOut();
    void print();

public:
    // Paints pages first..last (1-based) onto a printer that is ready to print.
    void printTo(QPrinter& printer, int first, int last) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void render();

    const PagedDocument& m_document;
    int m_page = 0;
    int m_zoom = 100;
    QLabel* m_pageLabel = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QLabel* m_sheet = nullptr;
    QScrollArea* m_scroll = nullptr;
    QPushButton* m_first = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_last = nullptr;
};
