// Manifest.plist through the guarded reader.
#include "ManifestPlist.h"

#include "formats/ManifestNames.h"
#include "platform/Diagnostics.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace formats {

int readManifestPlist(const std::string& backupFolder,
                      Plist& manifest,
                      platform::Diagnostics* diagnostics)
{
    std::string bytes;
    if (platform::readWholeFile(platform::joinPath(backupFolder, kManifestPlistName),
                                kMaxManifestPlistBytes,
                                bytes) != platform::kStatusOk) {
        return platform::kStatusInvalid;
    }
    const std::span<const std::uint8_t> content(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                bytes.size());
    if (parsePlist(content, kMaxManifestPlistBytes, manifest, diagnostics) != platform::kStatusOk) {
        return platform::kStatusCorrupt;
    }
    if (plist_get_node_type(manifest.root()) != PLIST_DICT) {
        manifest.reset(nullptr);
        return platform::corruptAt(diagnostics, 0, "Manifest.plist root is not a dictionary");
    }
    return platform::kStatusOk;
}

bool manifestSaysEncrypted(const std::string& backupFolder)
{
    Plist manifest;
    if (readManifestPlist(backupFolder, manifest) != platform::kStatusOk) {
        return false;
    }
    return boolValue(dictItem(manifest.root(), "IsEncrypted")).value_or(false);
}

} // namespace formats
