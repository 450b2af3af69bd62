// Read-only access to SQLite databases of a backup through the SQLite library: one opener, the
// handle and statement types that close and finalise themselves, and the "file:" URI that names
// any path exactly.
#pragma once

#include <memory>
#include <set>
#include <sqlite3.h>
#include <string>
#include <string_view>

namespace formats {

struct SqliteClose
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};

struct SqliteFinalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// An open database connection, closed when it goes.
using SqliteHandle = std::unique_ptr<sqlite3, SqliteClose>;
// A prepared statement, finalised when it goes.
using SqliteStatement = std::unique_ptr<sqlite3_stmt, SqliteFinalize>;

// How a database is opened; never for writing.
enum class SqliteOpen
{
    // The file is taken as unchanging: the library creates nothing beside it (no journal, no
    // -wal, no -shm) and ignores a write-ahead log. For files inside a backup.
    Immutable,
    // Read-only, with a write-ahead log beside it read as part of the database (the library
    // may create a -shm file beside it). For private copies only.
    ReadOnly,
};

// A "file:" URI naming `path`: every byte outside the unreserved characters and "/" is escaped
// as %XX, so that "?", "#", "%", blanks and non-ASCII bytes stay part of the path. An absolute
// path gets an empty authority ("file:///..."), so a path that begins with "//" is not taken
// for a host name.
std::string sqliteFileUri(std::string_view path);

// Opens the database at `path` (UTF-8) read-only in `mode` into `db`. Returns SQLITE_OK, or the
// library's result code (SQLITE_CANTOPEN for an empty path); `db` is then empty.
[[nodiscard]] int openReadOnly(const std::string& path, SqliteOpen mode, SqliteHandle& db);

// Prepares `sql` on `db` into `statement`. Returns SQLITE_OK, or the library's result code
// (`statement` then empty).
[[nodiscard]] int prepareStatement(sqlite3* db, const char* sql, SqliteStatement& statement);

// The column names of `table` of `db` into `names`, none when the table is missing. Returns 0,
// or 1006 when its description does not read (a damaged schema, a view over a missing table).
[[nodiscard]] int tableColumns(sqlite3* db, std::string_view table, std::set<std::string>& names);

// The text of `column` of the current row with its length kept (NUL bytes included); empty
// for NULL.
std::string columnText(sqlite3_stmt* statement, int column);

} // namespace formats
