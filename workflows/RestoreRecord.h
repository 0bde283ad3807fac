#pragma once

#include "Q7Data.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// "Restore Record.txt": what a restore found, sent and read back, for a support engineer who
// was not on site. Every field of the configuration and calibration is listed with four values
// (old board from its backup, the replacement board before it was written, what was sent, what
// the board holds after its last reboot), the settings the replacement board kept, the totals,
// and one verdict line.
struct RestoreRecordInput
{
    QString siteLicense;
    QDateTime written;
    // Each exactly its record's length when present; a copy that could not be had is absent.
    std::optional<QByteArray> oldConfig, beforeConfig, sentConfig, readConfig;
    std::optional<QByteArray> oldCal, beforeCal, sentCal, readCal;
    std::optional<Q7Data::Totalisers> totalsSent, totalsRead;
};

struct RestoreRecord
{
    // Report labels of the fields read back other than they were sent, configuration first.
    QStringList differing;
    // 8-bit text, CR LF line ends.
    QByteArray text;
    bool identical() const { return differing.isEmpty(); }
    // "Read-back: identical" or "Read-back: differs: " and the labels.
    QString verdict() const;
};

RestoreRecord buildRestoreRecord(const RestoreRecordInput& input);

inline constexpr const char* kRestoreRecordName = "Restore Record.txt";
