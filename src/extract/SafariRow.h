// The rows of one table of a Safari store, read whole: live rows through the SQLite library,
// deleted rows carved by our reader. Columns are found by name, since the stores' column sets
// differ between device generations.
#pragma once

#include "platform/Diagnostics.h"
#include "sqlitecarve/Database.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace extract {

// One row as plain values by column name; a column the table lacks reads as empty.
struct SafariRow
{
    bool deleted = false;
    std::optional<std::int64_t> rowid;

    // The text of `column`; empty for other kinds.
    std::string text(std::string_view column) const;
    // The integer of `column` (a real truncated); nullopt for NULL, text and blobs.
    std::optional<std::int64_t> integer(std::string_view column) const;
    // The local date text of an Apple date in `column` (seconds since 2001); empty for none.
    std::string appleDate(std::string_view column) const;
    // The seconds since 2001 in `column`; 0 for none.
    double seconds(std::string_view column) const;

    std::map<std::string, sqlitecarve::Value, std::less<>> values;
};

// Reads the live rows of `table` of the store at `path` through the SQLite library into
// `rows`. Returns 0; 87 when the file is missing; the library's mapped code when it does not
// open or the table cannot be queried.
[[nodiscard]] int
readLiveRows(const std::string& path, std::string_view table, std::vector<SafariRow>& rows);

// Appends the rows of `table` that our reader carves from the free space of `db`, each
// deleted, leaving out rows whose texts are not valid UTF-8. Returns 0 (also when the table
// does not exist) or the reader's status after appending what could be read.
[[nodiscard]] int
readCarvedRows(sqlitecarve::Database& db, std::string_view table, std::vector<SafariRow>& rows);

// Opens the store at `path` with our reader, recording faults in `damage`. Returns 0 or the
// reader's status (kStatusCorrupt for a file that is no database).
[[nodiscard]] int
openCarver(sqlitecarve::Database& db, const std::string& path, platform::Diagnostics* damage);

} // namespace extract
