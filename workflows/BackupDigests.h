#pragma once

#include <QString>

#include <optional>

// backup.sha256 in the site folder: one line per backup file ("<hex digest>  <name>", the form
// sha256sum -c reads), so the restore can tell a backup changed after it was written and a
// support engineer can check a site folder from a shell.
namespace BackupDigests {
inline constexpr const char* kFileName = "backup.sha256";

// Records the digest of siteDir + name as it is now, replacing the file's earlier line. False
// when the file or the digest list could not be read or written.
bool update(const QString& siteDir, const QString& name);

// Whether siteDir + name still has the digest its line records: nullopt when there is no
// digest list or no line for the file (an older folder: the lengths alone decide); false when
// the file is gone or the list exists but cannot be read.
std::optional<bool> matches(const QString& siteDir, const QString& name);
} // namespace BackupDigests
