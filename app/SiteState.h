#pragma once

// What the workflows have done for the selected site in this run; cleared when a site is
// selected. The summary log line is written from it.
struct SiteState
{
    // Board data of the site was collected or written.
    bool siteDataTouched = false;
    // The site's summary log line has been written.
    bool summaryLogged = false;
};
