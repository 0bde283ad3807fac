#pragma once

#include "Registers.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class Clock;
class ReportOperator;
class Progress;
class Q7Port;

// The site report of one connected board: collects the board's state into rows, asks for the
// SFO number and for comments, and writes the PDF into the site folder. A workflow creates one
// per report, calls BuildReport once, reads the SFO number and frees it.
//
// The report reads the configuration, calibration and basic-calibration records from the
// link's structures as the workflow left them; of the board itself it reads only live values.
// It never opens or closes the link.
class TQ7Report
{
public:
    TQ7Report(ReportOperator& op, Clock& clock, bool showOnCompletion, QString title, QString outputFolder,
              Q7Port& port);
    ~TQ7Report();
    TQ7Report(const TQ7Report&) = delete;
    TQ7Report& operator=(const TQ7Report&) = delete;

    void setOperatorName(const QString& name) { m_operatorName = name; }
    void setSiteLicence(const QString& licence) { m_siteLicence = licence; }

    // Collects, asks for comments, produces the document; true when the board data was collected
    // and the document written.
    bool BuildReport();
    // The SFO dialog's whole text, empty when it was cancelled.
    const QString& sfoNumber() const { return m_sfoNumber; }
    // The PDF written by the last ProduceDocument, if any.
    const std::optional<QString>& documentPath() const { return m_documentPath; }
    // Empties every row list and frees the progress window.
    void FormClose();

    // The collection steps, each appending to its own list.
    bool ReadFirmwareRegisters();
    bool ReadEsnRegisters();
    void AddSiteInfoRows();
    void AddSiteInfoRowsFromRegisters();
    void AddTotalsRows();
    void AddDiagnosticRows();
    void AddDiagnosticRowsFromRegisters();
    void AddConfigurationRows();
    void AddCalibrationRows();
    void AddBasicCalibrationRows();
    bool ProduceDocument(bool show);

    const QStringList& information() const { return m_information; }
    const QStringList& totals() const { return m_totals; }
    const QStringList& diagnostics() const { return m_diagnostics; }
    const QStringList& configuration() const { return m_configuration; }
    const QStringList& calibration() const { return m_calibration; }
    const QStringList& basicCalibration() const { return m_basicCalibration; }
    const QStringList& comments() const { return m_comments; }

    // The firmware version that selects the collection path: 0 when it could not be read.
    static int firmwareVersionNumber(const std::optional<Registers::FirmwareChars>& chars);

private:
    bool collect();
    void step(const QString& text, int percent);
    void askSfoNumber();
    void askComments();
    std::uint32_t meterId() const;

    ReportOperator& m_op;
    Clock& m_clock;
    Q7Port& m_port;
    bool m_showOnCompletion;
    QString m_title;
    QString m_outputFolder;
    QString m_operatorName;
    QString m_siteLicence;
    QString m_sfoNumber;

    QStringList m_information;
    QStringList m_configuration;
    QStringList m_calibration;
    QStringList m_basicCalibration;
    QStringList m_totals;
    QStringList m_diagnostics;
    QStringList m_comments;

    std::optional<Registers::FirmwareChars> m_firmwareChars;
    std::optional<Registers::Esn> m_esn;
    std::unique_ptr<Progress> m_progress;
    std::optional<QString> m_documentPath;
};
