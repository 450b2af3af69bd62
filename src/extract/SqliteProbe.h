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
