// The fixed folders of the application: where backups are looked for, the working folder under
// the application-data folder, and the names of the temporary folders.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// The backups root relative to the application-data folder.
inline constexpr std::string_view kBackupsRootRelative = "Apple Computer/MobileSync/backup";
// The working folder's name under the application-data folder.
inline constexpr std::string_view kWorkFolderName = "KorimoBrenvale";
// The temporary folder's name, under the working folder or at a volume's root.
inline constexpr std::string_view kTempFolderName = "KorimoTempFile";
// The decryption output folder's name inside the temporary folder.
inline constexpr std::string_view kDecryptOutputFolderName = "KorimoBrenvaleBackupPath";

// The backups root under the application-data folder; empty when that folder is unknown.
std::string defaultBackupsRoot();

// The working folder (application-data folder + kWorkFolderName); empty when the
// application-data folder is unknown.
std::string workFolderPath();

// Every folder to look for backups in, in this order and without repeats: the default root,
// the platform's usual backup folders, then `userRoots`.
std::vector<std::string> backupsRoots(const std::vector<std::string>& userRoots);

} // namespace catalogue
