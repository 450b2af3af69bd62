// JSON members of a backup record.
#include "BackupJson.h"

namespace cli {

void writeBackupMembers(JsonWriter& json, const catalogue::BackupInfo& info)
{
    json.member("displayName", info.displayName);
    json.member("lastBackupDate", info.lastBackupDate);
    json.member("phoneNumber", info.phoneNumber);
    json.member("serialNumber", info.serialNumber);
    json.member("folderPath", info.folderPath);
    json.member("isEncrypted", info.isEncrypted);
    json.member("isVersion12OrLater", info.isVersion12OrLater);
    json.member("damage", info.damage);
}

} // namespace cli
