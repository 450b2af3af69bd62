// Read-only looks into generated databases through the SQLite library, for the device
// database tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace devicedbtest {

// The column names of `table` in declaration order (PRAGMA table_info); empty when the table
// does not exist or the file cannot be opened.
std::vector<std::string> tableColumns(const std::string& path, const std::string& table);

// The first column of the first row of `sql` as text (NULL gives an empty text); nothing when
// the query fails or yields no row.
std::optional<std::string> queryText(const std::string& path, const std::string& sql);

// The first column of the first row of `sql` as an integer; nothing when the query fails or
// yields no row.
std::optional<std::int64_t> queryInt(const std::string& path, const std::string& sql);

// The whole file as bytes.
std::string fileBytes(const std::string& path);

// True when `needle` occurs in `haystack`.
bool contains(const std::string& haystack, const std::string& needle);

} // namespace devicedbtest
