#include "TQ7Report.h"

#include "BasicCalRecord.h"
#include "BoardInfoRecord.h"
#include "CalRecord.h"
#include "Clock.h"
#include "ConfigRecord.h"
#include "ReportOperator.h"
#include "Q7Port.h"
#include "ReportDocument.h"
#include "ReportRows.h"
#include "StatusRecord.h"

#include <exception>
#include <vector>

namespace {

const QString kCaption = QStringLiteral("Generating Report");

// A record from the link's structure area. The link keeps every area at its record's size, so
// the zero record stands in only for an area that was never sized.
template <typename Record> Record recordFrom(const Q7Port& port, StructureId id)
{
    return Record::fromBytes(port.structure(id)).value_or(Record());
}

// Up to `attempts` block reads of `count` registers; the register bytes of the first whole
// reply. A reply shorter than its byte count says is no reply.
std::optional<std::vector<std::uint8_t>> readBlock(Q7Port& port, std::uint16_t start, std::uint16_t count,
                                                   int attempts)
{
    for (int attempt = 0; attempt < attempts; ++attempt) {
        Q7Port::RequestBuffer buffer{};
        std::uint16_t length = 0;
        if (port.readRegisters(start, count, buffer, length, 5) && length >= 1 + 2 * count)
            return std::vector<std::uint8_t>(buffer.begin() + 1, buffer.begin() + 1 + 2 * count);
    }
    return std::nullopt;
}

// The first firmware that sends its live values as the status structures.
constexpr int kStructurePathVersion = 52;

} // namespace

TQ7Report::TQ7Report(ReportOperator& op, Clock& clock, bool showOnCompletion, QString title,
                     QString outputFolder, Q7Port& port)
    : m_op(op), m_clock(clock), m_port(port), m_showOnCompletion(showOnCompletion), m_title(std::move(title)),
      m_outputFolder(std::move(outputFolder))
{
}

TQ7Report::~TQ7Report()
{
    FormClose();
}

void TQ7Report::FormClose()
{
    for (QStringList* list : {&m_information, &m_configuration, &m_calibration, &m_basicCalibration,
                              &m_totals, &m_diagnostics, &m_comments})
        list->clear();
    m_progress.reset();
}

int TQ7Report::firmwareVersionNumber(const std::optional<Registers::FirmwareChars>& chars)
{
    return chars ? Registers::firmwareVersionNumber(*chars) : 0;
}

bool TQ7Report::BuildReport()
{
    try {
        m_progress = m_op.createProgress();
        if (m_progress)
            m_progress->show();
        const bool collected = collect();
        if (m_progress)
            m_progress->hide();
        askComments();
        m_progress.reset();
        if (!collected) {
            m_op.message(QStringLiteral("Failed to collect data from Q7 connection"));
            return false;
        }
        m_clock.processEvents();
        return ProduceDocument(m_showOnCompletion);
    } catch (const std::exception&) {
        // An error anywhere ends the report at once; the caller's own message follows.
        m_progress.reset();
        return false;
    }
}

bool TQ7Report::collect()
{
    step(QStringLiteral("Establishing Communications"), 0);
    if (!m_port.sendNullCommand())
        return false;

    step(QStringLiteral("Reading Firmware Version"), 10);
    ReadFirmwareRegisters();
    if (firmwareVersionNumber(m_firmwareChars) >= kStructurePathVersion) {
        if (!m_port.getStucture(Structures::wireId(StructureId::Status)) ||
            !m_port.getStucture(Structures::wireId(StructureId::BoardInfo)))
            return false;
        step(QStringLiteral("Reading Site Information"), 20);
        AddSiteInfoRows();
        step(QStringLiteral("Reading Totalisers"), 40);
        AddTotalsRows();
        step(QStringLiteral("Reading Diagnostics"), 60);
        AddDiagnosticRows();
    } else {
        step(QStringLiteral("Reading Site Information"), 20);
        AddSiteInfoRowsFromRegisters();
        step(QStringLiteral("Reading Totalisers"), 40);
        AddTotalsRows();
        step(QStringLiteral("Reading Diagnostics"), 60);
        AddDiagnosticRowsFromRegisters();
    }
    step(QStringLiteral("Reading Configuration"), 80);
    AddConfigurationRows();
    AddCalibrationRows();
    AddBasicCalibrationRows();
    return true;
}

void TQ7Report::step(const QString& text, int percent)
{
    if (m_progress)
        m_progress->setProgress(kCaption, text, percent);
}

bool TQ7Report::ReadFirmwareRegisters()
{
    m_firmwareChars.reset();
    if (!m_port.portOpen || !m_port.sendNullCommand())
        return false;
    if (const auto bytes = readBlock(m_port, Registers::kFirmwareVersion, 2, 4))
        m_firmwareChars = Registers::FirmwareChars{(*bytes)[0], (*bytes)[1], (*bytes)[2], (*bytes)[3]};
    return m_firmwareChars.has_value();
}

bool TQ7Report::ReadEsnRegisters()
{
    m_esn.reset();
    if (!m_port.portOpen || !m_port.sendNullCommand())
        return false;
    if (const auto bytes = readBlock(m_port, Registers::kEsn, 3, 4))
        m_esn = Registers::esnFromRegisters(std::span(*bytes).first<6>());
    return m_esn.has_value();
}

std::uint32_t TQ7Report::meterId() const
{
    return recordFrom<CalRecord>(m_port, StructureId::Cal).meterId();
}

void TQ7Report::askSfoNumber()
{
    if (m_progress) {
        m_progress->hide();
        m_progress->repaint();
    }
    m_sfoNumber = m_op.sfoNumber().value_or(QString());
    if (m_progress)
        m_progress->show();
}

void TQ7Report::askComments()
{
    const auto answer = m_op.message(QStringLiteral("Would you like to add some comments to the report?"),
                                     QStringLiteral("Add Comments"), Operator::Buttons::YesNo);
    if (answer != Operator::Answer::Yes)
        return;
    if (const auto lines = m_op.comments(); lines && !lines->isEmpty())
        m_comments << *lines;
}

void TQ7Report::AddSiteInfoRows()
{
    ReportRows::SiteInfo site{Q7Data::TDateTime::fromDateTime(m_clock.currentDateTime()), m_operatorName,
                              m_siteLicence, meterId(), QString()};
    askSfoNumber();
    site.sfoNumber = m_sfoNumber;
    m_information << ReportRows::siteInfoRows(site,
                                              recordFrom<BoardInfoRecord>(m_port, StructureId::BoardInfo));
}

void TQ7Report::AddSiteInfoRowsFromRegisters()
{
    ReportRows::SiteInfo site{Q7Data::TDateTime::fromDateTime(m_clock.currentDateTime()), m_operatorName,
                              m_siteLicence, meterId(), QString()};
    ReadFirmwareRegisters();
    ReadEsnRegisters();
    askSfoNumber();
    site.sfoNumber = m_sfoNumber;
    m_information << ReportRows::siteInfoRowsFromRegisters(site, m_firmwareChars, m_esn);
}

void TQ7Report::AddTotalsRows()
{
    if (!m_port.portOpen)
        return;
    if (const auto bytes = readBlock(m_port, Registers::kTotals, 40, 7))
        m_totals << ReportRows::totalsRows(Registers::totalisersFromRegisters(std::span(*bytes).first<80>()));
}

void TQ7Report::AddDiagnosticRows()
{
    std::optional<std::uint16_t> uptimeDays;
    std::optional<std::uint16_t> uptimeHours;
    if (std::uint16_t v = 0; m_port.readUI16Register(Registers::kUptimeDays, &v))
        uptimeDays = v;
    if (std::uint16_t v = 0; m_port.readUI16Register(Registers::kUptimeHours, &v))
        uptimeHours = v;
    m_diagnostics << ReportRows::diagnosticRows(recordFrom<StatusRecord>(m_port, StructureId::Status),
                                                recordFrom<BoardInfoRecord>(m_port, StructureId::BoardInfo),
                                                uptimeDays, uptimeHours);
}

void TQ7Report::AddDiagnosticRowsFromRegisters()
{
    const auto u16 = [this](std::uint16_t reg) -> std::optional<std::uint16_t> {
        std::uint16_t v = 0;
        return m_port.readUI16Register(reg, &v) ? std::optional(v) : std::nullopt;
    };
    const auto f32 = [this](std::uint16_t reg) -> std::optional<float> {
        float v = 0;
        return m_port.readF32Register(reg, &v) ? std::optional(v) : std::nullopt;
    };
    // Read in the order of the rows, as the board sees them.
    ReportRows::RegisterDiagnostics d;
    d.resets = u16(Registers::kResets);
    d.simulationMode = u16(Registers::kSimulationMode);
    if (Q7Data::TDateTime v; m_port.readTimeStampRegister(Registers::kBoardDateTime, &v))
        d.boardDateTime = v;
    d.uptimeDays = u16(Registers::kUptimeDays);
    d.uptimeHours = u16(Registers::kUptimeHours);
    d.flowVelocity = f32(Registers::kFlowVelocity);
    d.flowRate = f32(Registers::kFlowRate);
    d.massFlow = f32(Registers::kMassFlow);
    d.flowVoltage = f32(Registers::kFlowVoltage);
    d.coilVoltage = f32(Registers::kCoilVoltage);
    d.coilCurrent = f32(Registers::kCoilCurrent);
    d.coilResistance = f32(Registers::kCoilResistance);
    d.batteryVoltage = f32(Registers::kBatteryVoltage);
    d.solarVoltage = f32(Registers::kSolarVoltage);
    d.temperature = f32(Registers::kTemperature);
    d.selfTest = u16(Registers::kSelfTest);
    d.systemFault = u16(Registers::kSystemFault);
    d.alarmStatus = u16(Registers::kAlarmStatus);
    d.signalStates = u16(Registers::kSignalStates);
    for (std::size_t slot = 0; slot < d.optionCards.size(); ++slot)
        d.optionCards[slot] = u16(static_cast<std::uint16_t>(Registers::kOptionCardSlot0 + slot));
    m_diagnostics << ReportRows::diagnosticRowsFromRegisters(d);
}

void TQ7Report::AddConfigurationRows()
{
    m_configuration = ReportRows::configurationRows(recordFrom<ConfigRecord>(m_port, StructureId::Config));
}

void TQ7Report::AddCalibrationRows()
{
    m_calibration = ReportRows::calibrationRows(recordFrom<CalRecord>(m_port, StructureId::Cal));
}

void TQ7Report::AddBasicCalibrationRows()
{
    m_basicCalibration =
        ReportRows::basicCalibrationRows(recordFrom<BasicCalRecord>(m_port, StructureId::BasicCal));
}

bool TQ7Report::ProduceDocument(bool show)
{
    ReportContent content;
    content.title = m_title;
    content.siteLicence = m_siteLicence;
    content.operatorName = m_operatorName;
    content.meterId = meterId();
    content.information = m_information;
    content.totals = m_totals;
    content.diagnostics = m_diagnostics;
    content.configuration = m_configuration;
    content.calibration = m_calibration;
    content.basicCalibration = m_basicCalibration;
    content.comments = m_comments;
    ReportDocument document(std::move(content));
    // The engine tells the technician why when the file cannot be written.
    m_documentPath = document.produce(m_outputFolder, show, m_clock, m_op);
    return m_documentPath.has_value();
}
