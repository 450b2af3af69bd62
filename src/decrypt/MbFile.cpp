// Reading the MBFile keyed archive.
#include "MbFile.h"

#include "formats/PlistReader.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"

#include <string>

namespace decrypt {

namespace {

// The object a UID node points at, or null when `node` is not a UID within `objects`.
plist_t resolve(plist_t objects, plist_t node)
{
    const auto uid = formats::uidValue(node);
    if (!uid || *uid >= plist_array_get_size(objects)) {
        return nullptr;
    }
    return plist_array_get_item(objects, static_cast<std::uint32_t>(*uid));
}

} // namespace

int splitWrappedKey(std::span<const std::uint8_t> stored, WrappedFileKey& key)
{
    if (stored.size() != 44) {
        return platform::kStatusInvalid;
    }
    key.protectionClass =
        static_cast<std::uint32_t>(stored[0]) | static_cast<std::uint32_t>(stored[1]) << 8 |
        static_cast<std::uint32_t>(stored[2]) << 16 | static_cast<std::uint32_t>(stored[3]) << 24;
    key.wrapped.assign(stored.begin() + 4, stored.end());
    return platform::kStatusOk;
}

int parseMbFile(std::span<const std::uint8_t> blob,
                MbFileInfo& info,
                platform::Diagnostics* diagnostics)
{
    info = MbFileInfo{};
    formats::Plist archive;
    const int status = formats::parsePlist(blob, kMaxMbFileBytes, archive, diagnostics);
    if (status != platform::kStatusOk) {
        return status;
    }
    const plist_t objects = formats::dictItem(archive.root(), "$objects");
    if (objects == nullptr || plist_get_node_type(objects) != PLIST_ARRAY) {
        return platform::corruptAt(diagnostics, 0, "MBFile archive has no $objects array");
    }
    const plist_t root =
        resolve(objects, formats::dictItem(formats::dictItem(archive.root(), "$top"), "root"));
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        return platform::corruptAt(diagnostics, 0, "MBFile archive has no root object");
    }
    const plist_t classInfo = resolve(objects, formats::dictItem(root, "$class"));
    if (formats::stringValue(formats::dictItem(classInfo, "$classname")) !=
        std::optional<std::string>("MBFile")) {
        return platform::corruptAt(diagnostics, 0, "MBFile archive root is not of class MBFile");
    }
    info.protectionClass = formats::uintValue(formats::dictItem(root, "ProtectionClass"));
    info.size = formats::uintValue(formats::dictItem(root, "Size"));
    info.mode = formats::uintValue(formats::dictItem(root, "Mode"));

    const plist_t keyNode = formats::dictItem(root, "EncryptionKey");
    if (keyNode == nullptr) {
        return platform::kStatusOk;
    }
    const plist_t keyObject = resolve(objects, keyNode);
    if (keyObject == nullptr) {
        return platform::corruptAt(diagnostics, 0, "MBFile EncryptionKey points nowhere");
    }
    // NS.data is inline in real backups; some writers store it behind one more UID.
    plist_t data = formats::dictItem(keyObject, "NS.data");
    if (formats::uidValue(data)) {
        data = resolve(objects, data);
    }
    const auto bytes = formats::dataValue(data);
    WrappedFileKey key;
    if (!bytes || splitWrappedKey(*bytes, key) != platform::kStatusOk) {
        return platform::corruptAt(diagnostics, 0, "MBFile EncryptionKey is not 44 bytes");
    }
    info.key = std::move(key);
    return platform::kStatusOk;
}

} // namespace decrypt
