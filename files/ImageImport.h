#pragma once

class Workbench;

// Photographs chosen by the technician copied into the site folder. Expects a selected site.
// A copy that fails ends the import with the framework's error box; the callers go on.
void addImages(Workbench& bench);
