#pragma once

#include <QChar>
#include <QString>

#include <optional>

class Progress;
class Workbench;

// Asks for the site licence once per run, makes or confirms the site's folder and starts a
// fresh site state. window, when given, is hidden while the licence dialog is up and shown
// again once a site is selected. Throws std::runtime_error("Cannot create data directory.")
// when the folder cannot be made.
bool selectSite(Workbench& bench, Progress* window = nullptr);

// The licence box's key filter: the character to put in the box for a typed one, nullopt when
// it is discarded. Backspace and code 12 pass as themselves.
std::optional<QChar> licenseKey(QChar typed);
// The filter over a whole text (pasted or scripted): what typing it character by character
// leaves in the box.
QString filterLicense(const QString& text);
