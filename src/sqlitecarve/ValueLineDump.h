// Value-line dumps of a table: every row, live and recovered, as one line of comma-separated
// SQL-style values appended to a text file, so that the rows can be loaded elsewhere.
// Recovered rows whose rowid is lost get fresh identifiers above a starting mark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sqlitecarve {

// Appends the rows of `table` of the database at `databasePath` to `outputPath`: per row the
// identifier (the rowid, or `rowidMark` + 1, + 2 … for a row without one or with rowid 0),
// then each column other than the rowid alias as NULL, an integer in decimal, a real with 17
// significant digits, upper-case hexadecimal digits in X'' for a blob, or text as stored in
// double quotes with each double and single quote doubled; CR LF after each row. Returns 0,
// also when the table does not exist (nothing is written); the reader's open status (nothing
// is written); the system's error code when the output cannot be opened or written; else the
// first read status of the table, after writing what could be read.
[[nodiscard]] int dumpTableValueLines(const std::string& databasePath,
                                      std::string_view table,
                                      std::int64_t rowidMark,
                                      const std::string& outputPath);

} // namespace sqlitecarve
