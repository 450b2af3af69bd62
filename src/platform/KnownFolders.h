// The folders the system knows by role: the user's home and application-data folders, and
// the usual places where the desktop sync software keeps device backups.
#pragma once

#include <string>
#include <vector>

namespace platform {

// The per-user application-data folder without a trailing separator: $BRENVALE_APPDATA when
// set (tests use it), else $XDG_DATA_HOME, else ~/.local/share on Linux;
// ~/Library/Application Support on macOS. Empty when no home folder can be found.
std::string appDataFolder();

// The user's home folder ($HOME, else the password database); empty when unknown.
std::string homeFolder();

// Folders where this platform's sync software keeps device backups, besides the one under the
// application-data folder (for example ~/Library/Application Support/MobileSync/Backup on
// macOS; %USERPROFILE%\Apple\MobileSync\Backup on Windows). Empty on Linux.
std::vector<std::string> platformBackupRoots();

// The folders under which other disks are mounted, to look there for the user folders of
// Windows and Mac systems: the entries of $BRENVALE_MOUNT_ROOTS (colon-separated; set but
// empty, none) when it is set (tests use it), else /mnt, /media and /run/media on Linux and
// none elsewhere.
std::vector<std::string> mountRoots();

} // namespace platform
