// The shape a record of one table must have: how many serial types, and which kinds of value
// each column may hold. Recovery checks every candidate against it, so that bytes of another
// table, an index or plain garbage are not taken for rows.
#pragma once

#include "sqlitecarve/TableSchema.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sqlitecarve {

// Kinds of value, as bits of a column's allowed set.
inline constexpr std::uint8_t kAllowNull = 1;
inline constexpr std::uint8_t kAllowInteger = 2;
inline constexpr std::uint8_t kAllowReal = 4;
inline constexpr std::uint8_t kAllowText = 8;
inline constexpr std::uint8_t kAllowBlob = 16;
inline constexpr std::uint8_t kAllowAny = 31;
// Widest record we accept where no table says otherwise (the library's default limit).
inline constexpr std::size_t kMaxColumns = 2000;

// The kind bit of serial type `type` (0 for the reserved types 10 and 11, and for texts and
// blobs longer than any record can be).
std::uint8_t kindBitOf(std::uint64_t type);

struct RecordShape
{
    // Allowed kinds per column; empty for a shape that accepts any record.
    std::vector<std::uint8_t> allowed;
    // Records may have fewer columns than the table (columns added later by ALTER TABLE).
    std::size_t minColumns = 1;
    std::size_t maxColumns = kMaxColumns;

    // A shape from the declared columns: the rowid alias holds NULL only; numeric columns
    // integers and reals; text columns text; columns without a type anything; NOT NULL
    // columns no NULL.
    static RecordShape fromSchema(const TableSchema& table);
    // A shape that accepts any well-formed record.
    static RecordShape any();
    // The shape shared by most of `records` (their serial types): the most common column
    // count, each column allowing what any of them holds there, NULL, and both numeric kinds
    // where one is seen. Returns any() when `records` is empty.
    static RecordShape inferred(const std::vector<std::vector<std::uint64_t>>& records);

    bool isAny() const { return allowed.empty(); }

    // Whether `type` may stand in column `column`.
    bool accepts(std::size_t column, std::uint64_t type) const;
    // Whether a record with these serial types fits: count within bounds and every type allowed.
    bool acceptsRecord(const std::vector<std::uint64_t>& types) const;
    // Widens the allowed kinds by what a live record holds.
    void learn(const std::vector<std::uint64_t>& types);
};

} // namespace sqlitecarve
