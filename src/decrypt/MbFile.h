// The per-file record of Manifest.db (`Files.file`): an NSKeyedArchiver archive, as a binary
// plist, whose root object of class MBFile holds the file's wrapped key and protection class.
//
//   { "$top": { "root": UID(k) }, "$objects": [ "$null", ... ] }
//   $objects[k] = { "$class": UID -> { "$classname": "MBFile" }, "ProtectionClass": int,
//                   "Size": int, "Mode": int, "EncryptionKey": UID -> { "NS.data": key } }
//
// NS.data holds 44 bytes (a u32 little-endian class, then a 40-byte RFC 3394-wrapped key),
// either inline or through one more UID.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace platform {
class Diagnostics;
} // namespace platform

namespace decrypt {

// A per-file key as backups store it: the class that wraps it and the wrapped key.
struct WrappedFileKey
{
    std::uint32_t protectionClass = 0;
    std::vector<std::uint8_t> wrapped; // 40 bytes
};

// What the decryption needs from an MBFile record.
struct MbFileInfo
{
    std::optional<WrappedFileKey> key; // absent for folders and unencrypted or empty files
    std::optional<std::uint64_t> protectionClass;
    std::optional<std::uint64_t> size;
    std::optional<std::uint64_t> mode;
};

// The largest Files.file blob accepted; real ones are a few hundred bytes.
inline constexpr std::size_t kMaxMbFileBytes = 1 << 20;

// Splits the 44-byte stored form of a per-file key. Returns 0, or 87 when it is not 44 bytes.
[[nodiscard]] int splitWrappedKey(std::span<const std::uint8_t> stored, WrappedFileKey& key);

// Reads the MBFile archive `blob`. Returns 0; the status of parsePlist; -1001 (corrupt) when
// the archive lacks $top.root or $objects, a UID points outside $objects, the root object is
// not of class MBFile, or EncryptionKey is present but holds no 44-byte NS.data. Failures are
// recorded in `diagnostics` when it is given.
[[nodiscard]] int parseMbFile(std::span<const std::uint8_t> blob,
                              MbFileInfo& info,
                              platform::Diagnostics* diagnostics = nullptr);

} // namespace decrypt
