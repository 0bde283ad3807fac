#pragma once

#include "TDateTime.h"

#include <QString>

#include <array>
#include <cstdint>

// What the workflows learn about the site's two boards during the run and which steps they
// have done; cleared to all zeros whenever a site is selected. The summary log line is written
// from it. Where a field comes in two, [0] is the existing board and [1] the replacement.
struct SiteState
{
    // The ten step flags, in the summary log's column order.
    enum Step : int
    {
        BACKUP_CC = 0,
        BACKUP_TOTALS = 1,
        BACKUP_DATAFILES = 2,
        BACKUP_REPORT = 3,
        RESTORE_CC = 4,
        RESTORE_TOTALS = 5,
        RESTORE_DATAFILES = 6,
        FINAL_REPORT = 7,
        UPG_COMPLETED = 8,
        IMAGES_ADDED = 9,
    };
    static constexpr int kSteps = 10;

    // Bits of upgradeType.
    enum UpgradeType : std::uint8_t
    {
        kFullyAutomated = 1,
        kSdCardOnly = 2,
        kManualConfiguration = 4,
    };

    // Four characters and a terminating zero, as the board's registers 62-63 give them.
    using FirmwareSlot = std::array<char, 5>;

    std::uint32_t meterId = 0;
    std::array<Q7Data::TDateTime, 2> boardTime{};
    std::uint16_t resetCount = 0;
    std::array<FirmwareSlot, 2> firmwareVersion{};
    std::array<float, 2> forwardTotal{};
    std::array<std::uint16_t, 2> systemFault{};
    std::array<std::uint8_t, kSteps> stepDone{};
    std::array<std::uint16_t, 2> selfTest{};
    std::array<std::uint16_t, 2> pnfStatus{};
    std::uint16_t coilCurrent = 0;
    std::uint16_t pnfDetection = 0;
    std::uint16_t pipeDiameter = 0;
    float tubeFactor3 = 0;
    float tubeZero = 0;
    // Board data of the site was collected or written.
    bool siteDataTouched = false;
    // The site's summary log line has been written.
    bool summaryLogged = false;
    std::uint8_t upgradeType = 0;

    void setStep(Step step) { stepDone[step] = 1; }
    bool stepSet(Step step) const { return stepDone[step] != 0; }
    // The four characters of a firmware slot as text (empty when none were read).
    static QString firmwareText(const FirmwareSlot& slot)
    {
        return QString::fromLatin1(slot.data(), static_cast<qsizetype>(qstrnlen(slot.data(), 4)));
    }
};
