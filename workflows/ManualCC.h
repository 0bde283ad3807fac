#pragma once

class Workbench;

// Commissions the replacement board by hand when nothing could be backed up.
bool manualConfigurationUpgrade(Workbench& bench);
