// The fixed folders of the application: where backups are looked for, the working folder under
// the application-data folder, the names of the temporary folders, and the list of backup
// folders the user opened, kept in the working folder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// The backups root relative to the application-data folder.
inline constexpr std::string_view kBackupsRootRelative = "Apple Computer/MobileSync/backup";
// Where the sync software keeps backups below a user folder of a Windows or Mac system disk:
// Windows' roaming application data, the folder newer Windows versions use, and the Mac one.
inline constexpr std::array<std::string_view, 3> kUserFolderBackupPaths = {
    "AppData/Roaming/Apple Computer/MobileSync/Backup",
    "Apple/MobileSync/Backup",
    "Library/Application Support/MobileSync/Backup",
};
// The folder of user folders at the root of a Windows or Mac system disk.
inline constexpr std::string_view kUsersFolderName = "Users";
// The file of the working folder that lists the folders the user opened, one per line.
inline constexpr std::string_view kRememberedRootsFileName = "BackupRoots.txt";
// How many opened folders are remembered; the oldest go first.
inline constexpr std::size_t kMaxRememberedRoots = 16;
// The largest remembered-roots file read; anything larger is not ours and is ignored.
inline constexpr std::uint64_t kMaxRememberedRootsBytes = 65536;
// The working folder's name under the application-data folder.
inline constexpr std::string_view kWorkFolderName = "KorimoBrenvale";
// The temporary folder's name, under the working folder or at a volume's root.
inline constexpr std::string_view kTempFolderName = "KorimoTempFile";
// The decryption output folder's name inside the temporary folder.
inline constexpr std::string_view kDecryptOutputFolderName = "KorimoBrenvaleBackupPath";

// `path` without trailing separators ("/" stays).
std::string withoutTrailingSeparator(std::string path);

// The backups root under the application-data folder; empty when that folder is unknown.
std::string defaultBackupsRoot();

// The working folder (application-data folder + kWorkFolderName); empty when the
// application-data folder is unknown.
std::string workFolderPath();

// The folders the user opened before, most recent first: the absolute paths listed in the
// remembered-roots file of the working folder (at most kMaxRememberedRoots; other lines are
// skipped). Empty when there is no such file or it is larger than kMaxRememberedRootsBytes.
std::vector<std::string> rememberedRoots();

// Puts `root` (an absolute path; trailing separators dropped) first in the remembered-roots
// file, dropping an earlier entry of it and the entries beyond kMaxRememberedRoots. Returns 0;
// 87 when `root` is not absolute, holds a line break, or the working folder is unknown; the
// status of writing the file otherwise.
[[nodiscard]] int rememberRoot(const std::string& root);

} // namespace catalogue
