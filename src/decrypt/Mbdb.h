// What the decryption takes from the records of Manifest.mbdb (see formats/Mbdb.h for the
// layout): names, content file id, size and the per-file key.
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
    std::string fileId; // formats::fileId(domain, relativePath)
    std::uint16_t mode = 0;
    std::uint64_t size = 0;
    std::uint8_t protectionClass = 0;
    std::optional<WrappedFileKey> key;

    bool isRegularFile() const { return (mode & 0xF000) == 0x8000; }
};

// Parses `bytes` into `records`. Returns 0; 87 when the magic is wrong; -1004 (truncated)
// when a record runs past the end; -1001 when an encryption key is present but not 44 bytes.
[[nodiscard]] int parseMbdb(std::span<const std::uint8_t> bytes, std::vector<MbdbRecord>& records);

} // namespace decrypt
