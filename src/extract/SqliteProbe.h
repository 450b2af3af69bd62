// Probes of device databases through the SQLite library: whether a query runs, and how many
// columns its rows have. The file is opened read-only and immutable, so that nothing (no
// journal, no -wal or -shm file) is ever written beside it in the backup folder.
#pragma once

#include <string>

namespace extract {

// Runs `sql` on the database at `path`. `columns` becomes the column count of the last
// result row (unchanged when there is none). Returns 0; the library's code, mapped by
// platform::statusFromSqlite, when the file does not open; 1006 when the query fails.
[[nodiscard]] int probeQuery(const std::string& path, const std::string& sql, int& columns);

} // namespace extract

#include "extract/Records.h"

#include <vector>

namespace extract {

// Reads the notes of the newer note store at `path` (title, snippet and creation date of
// every row of ZICCLOUDSYNCINGOBJECT that has a title or snippet, newest first), cleaned as
// plain text, into `notes` (replacing its contents). Dates are local time like every other
// date of a scan. Returns 0, the library's mapped code when the file does not open, or 1006 when
// the query fails (`notes` then empty).
[[nodiscard]] int readNoteStore(const std::string& path, std::vector<NoteRecord>& notes);

} // namespace extract
