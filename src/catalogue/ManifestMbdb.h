// The manifest of older backups, Manifest.mbdb (layout in formats/Mbdb.h), read into manifest
// entries: one per file or symbolic link, named by fileId(domain, path).
#pragma once

#include "catalogue/ManifestEntry.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace catalogue {

// Appends one entry per record that has a domain and a path and is not a folder (files and
// symbolic links), in file order. Returns 0 when every record was read; 87 when the magic is
// wrong (nothing appended); kStatusTruncated when a record runs past the end of the data: the
// entries of the records before it stay appended.
[[nodiscard]] int parseManifestMbdb(std::span<const std::uint8_t> bytes,
                                    std::vector<ManifestEntry>& manifest);

// Reads the file at `path` whole and parses it as parseManifestMbdb does; `manifest` is not
// cleared first. Returns parseManifestMbdb's status; 6009 when the file cannot be opened or
// read; 87 when `path` is empty or the file is larger than formats::kMaxMbdbBytes.
[[nodiscard]] int readManifestMbdb(const std::string& path, std::vector<ManifestEntry>& manifest);

} // namespace catalogue
