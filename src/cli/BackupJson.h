// The JSON object that describes one backup in the output of `list`, `info` and `scan`.
#pragma once

#include "JsonWriter.h"
#include "catalogue/BackupInfo.h"

namespace cli {

// Writes the members of `info` (displayName, lastBackupDate, phoneNumber, serialNumber,
// folderPath, isEncrypted, isVersion12OrLater, damage) into the object the writer has open.
// `damage` is "" for a readable backup, else why it cannot be read ("damaged Info.plist").
void writeBackupMembers(JsonWriter& json, const catalogue::BackupInfo& info);

} // namespace cli
