#pragma once

class Workbench;

// The guided SD-card transfers. Both expect a selected site; the copy step runs on the
// workbench's FileCopyTimer once a volume was reported (see SdCardWatch).
bool collectSdLogFiles(Workbench& bench);
bool sendSdLogFiles(Workbench& bench);
