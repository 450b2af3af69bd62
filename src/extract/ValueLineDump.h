// Value-line dumps of a table: every row, live and recovered, as one line of comma-separated
// SQL-style values appended to a text file, so that the rows can be loaded elsewhere.
// Recovered rows whose rowid is lost get fresh identifiers above a starting mark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace extract {

// Appends the rows of `table` of the database at `databasePath` to `outputPath`: per row the
// identifier (the rowid, or `rowidMark` + 1, + 2 … for a row without one), then each further
// column as NULL, a number, hexadecimal digits in X'' for a blob, or text in double quotes
// with quotes doubled; CR LF after each row. Returns 0; the reader's open status (nothing is
// written); the system's error code when the output cannot be written.
[[nodiscard]] int dumpTableValueLines(const std::string& databasePath,
                                      std::string_view table,
                                      std::int64_t rowidMark,
                                      const std::string& outputPath);

} // namespace extract
