// Seeds written by the fixture generators rather than kept as text: real media headers,
// property lists, a Manifest.db and device databases, each as the generators write them today.
#pragma once

#include <string>
#include <string_view>

namespace fuzzseeds {

// Writes the seed set `name` into `folder` (which exists): "media" (one file per media kind
// the generator knows), "plist" (Info.plist in both forms, Manifest.plist and Status.plist),
// "manifest-db" (a Manifest.db with files, a folder and NULL and empty paths) or "device-db"
// (small message databases, the current one with reactions, edits and its trash, and address
// books in each layout) or "note-table" (note table documents, one compressed). Returns 0; 1 for an
// unknown name or when a file cannot be written
// (`error` says which).
[[nodiscard]] int
writeGeneratedSeeds(std::string_view name, const std::string& folder, std::string& error);

} // namespace fuzzseeds
