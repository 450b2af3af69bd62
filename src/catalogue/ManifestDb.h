// The manifest of newer backups, Manifest.db: an SQLite database whose table Files maps each
// file of the device (domain, relativePath) to the name of its content file (fileID).
//
// The database is opened read-only and immutable, so that the library writes nothing beside it
// (no -shm, no -wal, no journal). When a non-empty write-ahead log lies beside it, its rows are
// part of the manifest: the database and the log are then copied into a private temporary
// folder, read there, and the copy removed.
#pragma once

#include "catalogue/ManifestEntry.h"

#include <string>
#include <vector>

namespace catalogue {

// Replaces `manifest` with one entry per row of Files, folders included, in the order the
// library returns them: fileId = fileID, domainPath = domain + "-" + relativePath (a NULL
// relativePath gives the domain alone, an empty one the domain and the hyphen). Returns 0; the
// library's result code mapped by platform::statusFromSqlite when the database cannot be opened;
// 1006 when it opened but the query failed (a file that is not a database, such as an encrypted
// manifest); the rows read before a failure stay in `manifest`.
[[nodiscard]] int readManifestDb(const std::string& path, std::vector<ManifestEntry>& manifest);

} // namespace catalogue
