#pragma once

#include "LinkOpening.h"

#include <QString>

#include <memory>

class Progress;
class Q7Port;
class Workbench;

// The restore into the replacement board, in up to three attempts. Shows its own messages.
bool sendCcData(Workbench& bench);

// Command 67, the 60-s wait with its progress, then the null command.
bool rebootBoard(Workbench& bench, Q7Port& link);

// The progress window and the link of one run on the replacement board, freed together at its
// end, the link's command stopped first.
class ReplacementSession
{
public:
    explicit ReplacementSession(Workbench& bench);
    ~ReplacementSession();
    ReplacementSession(const ReplacementSession&) = delete;
    ReplacementSession& operator=(const ReplacementSession&) = delete;

    // The window shown and the link opened as every workflow opens it.
    OpenedLink::Result open(const LinkPercentages& percentages);
    Q7Port& link() { return *m_link; }
    Progress& progress() { return *m_progress; }
    void step(const QString& text, int percent);
    void end();

private:
    Workbench& m_bench;
    std::unique_ptr<Progress> m_progress;
    std::unique_ptr<Q7Port> m_link;
};

// The percentages of the writing steps, which the restore and the manual upgrade show differently.
struct SendPercentages
{
    int totals;
    int configuration;
    int calibration;
    int factoryDefaults;
    int sdCard;
    int reboot;
};
// What the restore and the manual upgrade write the same way: the totals, the configuration
// and calibration as they stand in the link's areas, commands 98 and 99 with their settle
// times, and the reboot. Step flags RESTORE_TOTALS and RESTORE_CC as each is done; false at the
// first step the board refuses.
bool sendToBoard(Workbench& bench, Q7Port& link, Progress& progress, const SendPercentages& percentages);

// The two ends of a restore that the manual configuration upgrade shares.
enum class PostUpgradeReport
{
    Produced,
    NotProduced,
    // Producing it raised an error: the workflow ends with "Failed to generate a report".
    Raised,
};
// "Post Upgrade Q7 Report " from the link's records as they were sent; on success step flag
// FINAL_REPORT and the replacement board's SFO number.
PostUpgradeReport postUpgradeReport(Workbench& bench, Q7Port& link);
// The replacement board into the site state, without checking the reads: its firmware, meter
// id, clock, faults, forward total and status from the board, the calibration values from the
// link's records (the data just sent).
void recordReplacementBoard(Workbench& bench, Q7Port& link, Progress& progress);
