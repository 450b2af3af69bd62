// Finding backups: the backups roots (the usual folders, matched without regard to case, the
// user folders of mounted Windows and Mac disks, the folders opened before and the ones named),
// the candidate folders of those roots, each one's Info.plist read into a BackupInfo, whether it
// is encrypted, and the list sorted with the latest backup first.
#pragma once

#include "catalogue/BackupInfo.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

// Where a searched folder came from.
enum class RootOrigin
{
    // The sync software's usual folder on this system.
    Usual,
    // A folder under which disks are mounted; searched for user folders, not itself a root.
    MountPoint,
    // A backups folder found in a user folder of a mounted disk.
    MountedDisk,
    // A folder the user opened before.
    Remembered,
    // A folder named by the caller (a command-line root).
    Named,
};

// How the search of a folder ended.
enum class RootState
{
    Searched,
    Missing,
    // The time limit ran out; what was found before it is kept.
    TimedOut,
};

// One folder of the search and how it went.
struct SearchedRoot
{
    // The folder, without a trailing separator.
    std::string path;
    RootOrigin origin = RootOrigin::Usual;
    RootState state = RootState::Searched;
};

// What to search besides the usual folders, and how long a mount point may take.
struct RootSearch
{
    // Folders under which disks are mounted (platform::mountRoots()).
    std::vector<std::string> mountRoots;
    // Folders the user opened before (rememberedRoots()).
    std::vector<std::string> rememberedRoots;
    // Folders the caller names.
    std::vector<std::string> namedRoots;
    // How long the search of the usual folders and of each mount root may take; a slow or
    // huge disk ends its search there with what was found so far.
    std::chrono::milliseconds timeLimit{2000};
};

// A search of the platform's mount roots and the remembered roots, plus `namedRoots`.
RootSearch defaultRootSearch(std::vector<std::string> namedRoots);

// Every folder of `search`, in this order, each path once: the usual backups roots (below the
// application-data folder every folder whose path matches the known relative path without
// regard to ASCII case, or the path as spelled, missing; then the platform's own folders), each
// mount root followed by the backups folders found below it, the remembered roots, the named
// roots. Below a mount root only the known shape is listed: ROOT/DISK/Users or
// ROOT/OWNER/DISK/Users (the latter only when the former has none), every user folder there,
// and the known backup paths of a user folder (kUserFolderBackupPaths), each level matched
// without regard to case; a mount root whose time limit runs out ends as TimedOut.
std::vector<SearchedRoot> searchBackupRoots(const RootSearch& search);

// The paths of `roots` that can hold backups: the searched ones that are not mount points.
std::vector<std::string> searchedPaths(const std::vector<SearchedRoot>& roots);

// Replaces `folders` with the candidate backup folders of `roots`: every entry of each root
// whose name does not begin with a full stop (entries that are not backups fall out later,
// when they hold no Info.plist), plus a root that is itself a backup folder (holds an
// Info.plist). Missing roots contribute nothing. Returns 0.
[[nodiscard]] int findBackupFolders(const std::vector<std::string>& roots,
                                    std::vector<std::string>& folders);

// Appends the record of every folder of `folders` that holds an Info.plist, in folder order, then
// sorts the whole list latest first (sortBackupList). A folder whose Info.plist is damaged is
// listed too, as a damaged record (see readBackupInfo), so that one bad folder never hides the
// others; damaged records have no date and sort last. Returns 0.
[[nodiscard]] int readBackupList(const std::vector<std::string>& folders,
                                 std::vector<BackupInfo>& list);

// Reads one backup folder into `info`: its Info.plist, its path and the encryption probe.
// Returns 0; 87 when the folder holds no Info.plist file (it is not a backup), leaving `info`
// unchanged; -1001 (corrupt) when its Info.plist cannot be read whole (larger than
// kMaxInfoPlistBytes, or a read error) or is a damaged binary plist: `info` then becomes a
// damaged record, its folderPath set and `damage` naming the fault.
[[nodiscard]] int readBackupInfo(const std::string& folder, BackupInfo& info);

// True when the backup's contacts database exists (in the two-level layout when the folder
// holds Manifest.db, else flat; also tried with the suffix ".mddata") and its first six bytes
// are not "SQLite" in any case. A database that cannot be opened counts as not encrypted.
bool probeEncrypted(const std::string& folder);

// Converts the date text "Y-M-D h:m:s" (numbers after each separator, searched in turn) taken
// as UTC into local standard time: the zone's base bias is applied, daylight saving is not.
// Returns "YYYY-MM-DD hh:mm:ss", or an empty text when a field is missing or the date is out
// of range.
std::string dateToLocal(std::string_view text);

// Orders `list` by lastBackupDate, greatest (latest) first, comparing without regard to ASCII
// case; records with equal dates keep their order.
void sortBackupList(std::vector<BackupInfo>& list);

} // namespace catalogue
