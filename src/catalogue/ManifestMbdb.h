// The manifest of older backups, Manifest.mbdb: a binary file of variable-length records, one per
// file or folder of the device. The content file's name is not stored; it is the SHA-1 of the
// entry's domain, a hyphen and its path.
//
// File (integers big-endian):
//   offset 0  4 bytes  magic "mbdb"
//   offset 4  2 bytes  format version (any value)
//   offset 6  records back to back to the end of the file
// Record:
//   domain, path, link target, digest, encryption key   strings
//   mode                                                u16 (0x4000 file-type bits: folder)
//   numeric attributes                                  36 bytes (7 × u32, 1 × u64)
//   protection class                                    u8
//   property count n                                    u8
//   properties                                          n × (name string, value string)
// String: u16 length L then L bytes; L = 0xFFFF is an absent string of two bytes in all.
#pragma once

#include "catalogue/ManifestEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace catalogue {

// The largest Manifest.mbdb read into memory; a larger file gives 87.
inline constexpr std::uint64_t kMaxManifestMbdbBytes = 1024ull * 1024 * 1024;

// Appends one entry per record that has a domain and a path and is not a folder (files and
// symbolic links), in file order. Returns 0 when every record was read; 87 when the magic is
// wrong (nothing appended); kStatusTruncated when a record runs past the end of the data: the
// entries of the records before it stay appended.
[[nodiscard]] int parseManifestMbdb(std::span<const std::uint8_t> bytes,
                                    std::vector<ManifestEntry>& manifest);

// Reads the file at `path` whole and parses it as parseManifestMbdb does; `manifest` is not
// cleared first. Returns parseManifestMbdb's status; 6009 when the file cannot be opened or
// read; 87 when `path` is empty or the file is larger than kMaxManifestMbdbBytes.
[[nodiscard]] int readManifestMbdb(const std::string& path, std::vector<ManifestEntry>& manifest);

} // namespace catalogue
