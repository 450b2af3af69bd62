// Manifest.mbdb, the file index of iOS 4 to 9 backups (never encrypted itself):
// "mbdb" 05 00, then records until the end of the file. Strings are a u16 big-endian length
// and bytes, 0xFFFF meaning null.
//
//   domain, relativePath, linkTarget, dataHash, encryptionKey   strings
//   mode u16, inode u64, uid u32, gid u32, mtime u32, ctime u32, birth u32   (30 bytes)
//   size u64, protectionClass u8, propertyCount u8                            (10 bytes)
//   propertyCount x (name string, value string)
//
// encryptionKey, when present, is 44 bytes: a u32 little-endian class and a wrapped key.
#pragma once

#include "decrypt/MbFile.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace decrypt {

// What the decryption needs from one mbdb record.
struct MbdbRecord
{
    std::string domain;
    std::string relativePath;
    std::string fileId; // sha1Hex(domain + "-" + relativePath)
    std::uint16_t mode = 0;
    std::uint64_t size = 0;
    std::uint8_t protectionClass = 0;
    std::optional<WrappedFileKey> key;

    bool isRegularFile() const { return (mode & 0xF000) == 0x8000; }
};

// The largest Manifest.mbdb accepted (it is read whole).
inline constexpr std::uint64_t kMaxMbdbBytes = 512ull << 20;

// Parses `bytes` into `records`. Returns 0; 87 when the magic is wrong; -1004 (truncated)
// when a record runs past the end; -1001 when an encryption key is present but not 44 bytes.
[[nodiscard]] int parseMbdb(std::span<const std::uint8_t> bytes, std::vector<MbdbRecord>& records);

} // namespace decrypt
