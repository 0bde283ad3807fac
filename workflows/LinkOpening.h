#pragma once

#include <memory>

class Progress;
class Q7Port;
class Workbench;

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
