// A backup's Manifest.plist: whether the backup says it is encrypted, and (for the decryption)
// its keybag and manifest key.
#pragma once

#include "formats/PlistReader.h"

#include <cstdint>
#include <string>

namespace formats {

// The largest Manifest.plist read (it is read whole); real ones are a few hundred kilobytes.
inline constexpr std::uint64_t kMaxManifestPlistBytes = 64ull << 20;

// Reads and parses `backupFolder`/Manifest.plist (binary or XML) through parsePlist into
// `manifest`. Returns 0; 87 when the file is missing or cannot be read; -1001 (corrupt) when it
// does not parse within the reader's limits or its root is not a dictionary (recorded in
// `diagnostics` when it is given).
[[nodiscard]] int readManifestPlist(const std::string& backupFolder,
                                    Plist& manifest,
                                    platform::Diagnostics* diagnostics = nullptr);

// True when `backupFolder`/Manifest.plist parses and its root dictionary has IsEncrypted set
// to true. A missing or damaged file gives false.
bool manifestSaysEncrypted(const std::string& backupFolder);

} // namespace formats
