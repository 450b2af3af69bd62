// Finding backups: listing the candidate folders of the backups roots, reading each one's
// Info.plist into a BackupInfo, probing whether it is encrypted, and sorting the list with the
// latest backup first.
#pragma once

#include "catalogue/BackupInfo.h"

#include <string>
#include <string_view>
#include <vector>

namespace catalogue {

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
