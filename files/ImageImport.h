#pragma once

class Workbench;

// Photographs chosen by the technician copied into the site folder. Expects a selected site.
void addImages(Workbench& bench);
