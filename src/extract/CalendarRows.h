// The rows of the reminders and calendar stores, read by column name: live rows through the
// SQLite library (the file opened immutable, so nothing is written beside it), deleted rows
// through our own reader from the free space of the same file. Column sets differ between
// device generations, so readers ask for columns by name and get empty values for the ones a
// table lacks.
#pragma once

#include "formats/SqliteReader.h"
#include "sqlitecarve/Database.h"
#include "sqlitecarve/Value.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <string_view>
#include <vector>

namespace extract {

// One row of a store table, live or recovered.
class CalendarRow
{
public:
    CalendarRow(std::shared_ptr<const std::vector<std::string>> names,
                std::vector<sqlitecarve::Value> values,
                std::int64_t rowid,
                bool deleted);

    bool deleted() const { return m_deleted; }

    // The rowid (Z_PK or ROWID); 0 when a recovered row lost it.
    std::int64_t rowid() const { return m_rowid; }

    // True when the table has the column and the row holds a value other than NULL there.
    bool has(std::string_view column) const;
    // The text of a column; empty for NULL, other kinds, missing columns and text that is
    // not valid UTF-8.
    std::string text(std::string_view column) const;
    // The integer of a column (a real is truncated when it fits); 0 otherwise.
    std::int64_t integer(std::string_view column) const;
    // Seconds since 1970 of a column holding seconds since 2001 (integer or real, rounded
    // down); empty for NULL, other kinds, and values beyond ±10^11 seconds.
    std::optional<std::int64_t> appleTime(std::string_view column) const;

private:
    const sqlitecarve::Value* at(std::string_view column) const;

    std::shared_ptr<const std::vector<std::string>> m_names;
    std::vector<sqlitecarve::Value> m_values;
    std::int64_t m_rowid = 0;
    bool m_deleted = false;
};

// Opens the store at `path` read-only and immutable into `db` and reads its schema. Returns 0,
// or the library's code mapped by platform::statusFromSqlite when the file does not open or
// is no database (`db` then empty).
[[nodiscard]] int openStore(const std::string& path, formats::SqliteHandle& db);

// Whether the database has table `table` (ASCII case ignored).
bool hasTable(sqlite3* db, std::string_view table);

// Appends every live row of `table` to `rows`. Returns 0 (also when the table does not
// exist), or 1006 when the query fails (the rows read before stay).
[[nodiscard]] int readLiveRows(sqlite3* db, std::string_view table, std::vector<CalendarRow>& rows);

// Appends the deleted rows our reader recovers from `table` of `db` to `rows`, leaving out
// those whose rowid is among `liveRowids` (older copies of rows that still live). Returns 0
// (also when the table does not exist) or the reader's status after appending what it read.
[[nodiscard]] int readDeletedRows(sqlitecarve::Database& db,
                                  std::string_view table,
                                  const std::vector<std::int64_t>& liveRowids,
                                  std::vector<CalendarRow>& rows);

// Local "YYYY-MM-DD hh:mm:ss" of `unixSeconds`, or the UTC text when `floating` (a
// wall-clock time or calendar day kept in no zone); empty for none.
std::string calendarDateText(const std::optional<std::int64_t>& unixSeconds, bool floating);

} // namespace extract
