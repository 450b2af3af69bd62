// JSON members of a backup record.
#include "BackupJson.h"

namespace cli {

void writeBackupMembers(JsonWriter& json, const catalogue::BackupInfo& info)
{
    json.key("displayName");
    json.value(info.displayName);
    json.key("lastBackupDate");
    json.value(info.lastBackupDate);
    json.key("phoneNumber");
    json.value(info.phoneNumber);
    json.key("serialNumber");
    json.value(info.serialNumber);
    json.key("folderPath");
    json.value(info.folderPath);
    json.key("isEncrypted");
    json.value(info.isEncrypted);
    json.key("isVersion12OrLater");
    json.value(info.isVersion12OrLater);
}

} // namespace cli
