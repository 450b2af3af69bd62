// Reading the MBFile keyed archive.
#include "MbFile.h"

#include "PlistReader.h"
#include "platform/Status.h"

#include <string>

namespace decrypt {

namespace {

// The object a UID node points at, or null when `node` is not a UID within `objects`.
plist_t resolve(plist_t objects, plist_t node)
{
    const auto uid = uidValue(node);
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

int parseMbFile(std::span<const std::uint8_t> blob, MbFileInfo& info)
{
    info = MbFileInfo{};
    Plist archive;
    const int status = parsePlist(blob, kMaxMbFileBytes, archive);
    if (status != platform::kStatusOk) {
        return status;
    }
    const plist_t objects = dictItem(archive.root(), "$objects");
    if (objects == nullptr || plist_get_node_type(objects) != PLIST_ARRAY) {
        return platform::kStatusCorrupt;
    }
    const plist_t root = resolve(objects, dictItem(dictItem(archive.root(), "$top"), "root"));
    if (root == nullptr || plist_get_node_type(root) != PLIST_DICT) {
        return platform::kStatusCorrupt;
    }
    const plist_t classInfo = resolve(objects, dictItem(root, "$class"));
    if (stringValue(dictItem(classInfo, "$classname")) != std::optional<std::string>("MBFile")) {
        return platform::kStatusCorrupt;
    }
    info.protectionClass = uintValue(dictItem(root, "ProtectionClass"));
    info.size = uintValue(dictItem(root, "Size"));
    info.mode = uintValue(dictItem(root, "Mode"));

    const plist_t keyNode = dictItem(root, "EncryptionKey");
    if (keyNode == nullptr) {
        return platform::kStatusOk;
    }
    const plist_t keyObject = resolve(objects, keyNode);
    if (keyObject == nullptr) {
        return platform::kStatusCorrupt;
    }
    // NS.data is inline in real backups; some writers store it behind one more UID.
    plist_t data = dictItem(keyObject, "NS.data");
    if (uidValue(data)) {
        data = resolve(objects, data);
    }
    const auto bytes = dataValue(data);
    WrappedFileKey key;
    if (!bytes || splitWrappedKey(*bytes, key) != platform::kStatusOk) {
        return platform::kStatusCorrupt;
    }
    info.key = std::move(key);
    return platform::kStatusOk;
}

} // namespace decrypt
