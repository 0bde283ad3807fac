#pragma once

#include "BandReport.h"
#include "PagedDocument.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

class Clock;
class ReportOperator;

// What a site report shows: its texts and seven row lists. Rows of the first six lists read
// "label = value" and print split at their first "="; comment lines print whole.
struct ReportContent
{
    QString title;        // "Pre Upgrade Report " and the like; its trailing blank is kept
    QString siteLicence;  // may be empty
    QString operatorName; // the PDF's author
    quint32 meterId = 0;  // the calibration record's meter ID
    QStringList information, totals, diagnostics, configuration, calibration, basicCalibration, comments;
};

// The site report's document: its template of bands built in code, the variables that bind
// it to the rows, and the step that writes the PDF into the site folder.
//
// Typical use, once the rows are collected:
//     ReportDocument document(content);
//     if (!document.produce(siteFolder, showOnCompletion, clock, op)) ... // the operator was told
class ReportDocument
{
public:
    explicit ReportDocument(ReportContent content);
    // The template's variables answer from this object.
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    const ReportContent& content() const { return m_content; }

    // Lays out every page; the date-time fills each page's footer.
    PagedDocument prepare(const QDateTime& now, const QLocale& locale = QLocale::system());

    // Writes the PDF named after the title, the licence and the clock's date-time into the
    // folder, without asking anything, replacing a file of the same name; then, if show is
    // set, shows the preview and returns when it is closed. Returns the file written, or
    // nothing after telling the operator why the file could not be written.
    std::optional<QString> produce(const QString& outputFolder, bool show, Clock& clock, ReportOperator& op,
                                   const QLocale& locale = QLocale::system());

    // title + "_" + licence + "_dd_mmm_yyyy hh_mm_ss" + ".pdf", the month as the locale's short
    // name.
    static QString fileName(const QString& title, const QString& licence, const QDateTime& at,
                            const QLocale& locale = QLocale::system());
    // "[licence ]title MeterSN id"
    QString reportTitle() const;
    // The value of a template variable (name compared without regard to case) for the rows
    // being printed; nothing for a name the template does not use.
    std::optional<QString> variable(const QString& name) const;

private:
    void buildTemplate();

    ReportContent m_content;
    BandReport m_report;
};
