// The path rule for a backup's content files.
#include "BackupFiles.h"

#include "platform/File.h"

#include <algorithm>

namespace catalogue {

bool isSafeFileId(std::string_view fileId)
{
    return !fileId.empty() && std::all_of(fileId.begin(), fileId.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

std::string backupFilePath(const std::string& folder,
                           std::string_view fileId,
                           bool isEncrypted,
                           bool hasManifestDb)
{
    if (!isSafeFileId(fileId)) {
        return {};
    }
    const std::string name(fileId);
    if (isEncrypted || !hasManifestDb) {
        return platform::joinPath(folder, name);
    }
    return platform::joinPath(platform::joinPath(folder, name.substr(0, 2)), name);
}

} // namespace catalogue
