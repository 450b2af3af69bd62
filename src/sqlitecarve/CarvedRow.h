// One row as our reader found it: live in its table's b-tree, or recovered from free space,
// with where it was found and every column's value.
#pragma once

#include "sqlitecarve/Value.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sqlitecarve {

// Where a row was found.
enum class Origin
{
    Live,
    // A free block of a b-tree page.
    Freeblock,
    // The unallocated gap between the cell pointer array and the cell content area.
    Gap,
    // A cell pointer left behind the live end of the pointer array.
    Stale,
    // Other unallocated bytes of a page: behind or between the live cells.
    Tail,
    // A page on the free list.
    Freelist
};

// "live", "freeblock", "gap", "stale", "tail" or "freelist".
std::string_view originName(Origin origin);

struct CarvedRow
{
    // The table the row belongs to; none for rows of free pages that fit no current table.
    std::optional<std::string> table;
    bool deleted = false;
    Origin origin = Origin::Live;
    // 1-based page number and byte offset in the page where the record (or cell) starts.
    std::uint32_t page = 0;
    std::uint32_t offset = 0;
    // The rowid, when the cell's rowid survives.
    std::optional<std::int64_t> rowid;
    // One value per column in column order; a rowid alias column holds the rowid when known
    // and NULL when it is lost.
    std::vector<Value> values;
    // The record's serial types, as stored.
    std::vector<std::uint64_t> serialTypes;
};

} // namespace sqlitecarve
