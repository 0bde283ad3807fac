#pragma once

#include <QString>

#include <array>
#include <functional>
#include <memory>
#include <optional>

class Progress;
class Q7Port;
class Workbench;

// The caption of the progress window of every workflow that opens a link.
inline constexpr const char* kCommsCaption = "Q7 Communications";

// The progress percentages at which a workflow's link opening shows "Initialising
// Communications": after the link object is made, after OpenPort, after the null command.
struct LinkPercentages
{
    int created = 10;
    int opened = 15;
    int awake = 20;
};

struct OpenedLink
{
    enum class Result
    {
        // The link is open and the board answered the null command.
        Open,
        // Detection found no board (it has said so) or the port dialog was cancelled.
        NoPort,
        // OpenPort failed.
        OpenFailed,
        // The board did not answer the null command ("Failed to establish communications with
        // Q7 Flowmeter board" has been shown).
        NoAnswer,
    };
    Result result = Result::NoPort;
    // Set from Result::OpenFailed on: the caller frees it (after abortCommand) at its end.
    std::unique_ptr<Q7Port> link;
};

// The sequence every workflow opens its link with: detection with the progress window when
// "Auto Detect Q7" is on, otherwise the port dialog; the link's events connected to the front
// end; OpenPort at 9600 baud; the null command. progress is the workflow's window, already
// shown with the caption "Q7 Communications".
OpenedLink openLink(Workbench& bench, Progress& progress, const LinkPercentages& percentages);

// The end of every workflow that opened a link: its command stopped and the link freed.
void freeLink(OpenedLink& opened);

// How a workflow over a link ended, for its result message.
enum class LinkWorkflowEnd
{
    // Detection found no board or the port dialog was cancelled: nothing more is shown.
    NoPort,
    Succeeded,
    // OpenPort, the null command or a step of the workflow failed.
    Failed,
    // The report raised an error ("Failed to generate a report" instead of the result).
    ReportFailed,
    // An error the workflow does not handle (the site folder could not be made) has been shown
    // in the error box; no result message follows.
    Raised,
};

// The frame of a workflow over one link: its progress window, the link opened with the
// caller's percentages, body over the open link, then, whatever happened, the link's command
// stopped, the link freed and the window closed before the caller shows its result. body may
// close the window early by resetting it.
using LinkWorkflowBody = std::function<LinkWorkflowEnd(Q7Port& link, std::unique_ptr<Progress>& progress)>;
LinkWorkflowEnd runOverLink(Workbench& bench, const LinkPercentages& percentages,
                            const LinkWorkflowBody& body);

// The result message of a workflow over a link: succeeded or failed by its end, "Failed to
// generate a report" when its report raised an error, nothing when detection or the port
// dialog stopped it or an error box has said why. Returns whether it succeeded.
bool tellLinkWorkflowEnd(Workbench& bench, LinkWorkflowEnd end, const QString& succeeded,
                         const QString& failed);

// The site report of the board on link, written into the site folder with the operator's name
// and the licence, as each workflow makes one: nullopt when producing it raised an error,
// otherwise whether it was built and the SFO number it asked for.
struct SiteReport
{
    bool built = false;
    QString sfoNumber;
};
std::optional<SiteReport> produceSiteReport(Workbench& bench, Q7Port& link, const QString& title);

// The three record files of the board into folder, with the progress step of each; false at
// the first that cannot be fetched. written is told each file name once it is on disk.
struct RecordFetch
{
    const char* configFile;
    const char* calFile;
    const char* basicCalFile;
    std::array<int, 3> percents;
};
bool fetchRecords(Q7Port& link, Progress& progress, const QString& folder, const RecordFetch& fetch,
                  const std::function<void(const QString& name)>& written = {});
