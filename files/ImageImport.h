#pragma once

class Workbench;

// Photographs chosen by the technician copied into the site folder. Expects a selected site.
// A copy that fails ends the import with the framework's error box and returns false; the
// window's callers go on regardless, q7ctl reports it in its exit code.
bool addImages(Workbench& bench);
