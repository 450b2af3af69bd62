// One backup folder as its Info.plist describes it: the record that discovery produces, the
// backup-selection page shows and the engine keeps for the backup being worked on.
#pragma once

#include <string>

namespace catalogue {

struct BackupInfo
{
    // The contacts database exists and does not begin with "SQLite" (see probeEncrypted).
    bool isEncrypted = false;
    // The leading number of the product version is 12 or more.
    bool isVersion12OrLater = false;
    // Local time "YYYY-MM-DD hh:mm:ss", or the date text as it stood when it does not convert.
    std::string lastBackupDate;
    // Bytes as they stand in Info.plist.
    std::string phoneNumber;
    std::string serialNumber;
    // Full path of the backup folder without a trailing separator.
    std::string folderPath;
    // The device's display name (UTF-8).
    std::string displayName;
    // Why the backup cannot be opened ("damaged Info.plist"), empty for a readable backup. A
    // damaged record holds its folderPath and no other field.
    std::string damage;
};

} // namespace catalogue
