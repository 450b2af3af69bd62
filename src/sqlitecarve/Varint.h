// The SQLite file format's variable-length integers and serial types: the two building blocks
// of every cell and record header. All reads are bounded by the span they are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sqlitecarve {

// Reads the varint that starts at `offset` of `bytes`: up to eight bytes contribute their low
// seven bits while their top bit is set, a ninth byte contributes all eight. Returns the number
// of bytes consumed (1–9), or 0 when the varint does not end inside `bytes`; `value` is left
// unchanged then.
std::size_t
readVarint(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint64_t& value);

// The number of bytes the format uses to store `value` as a varint (1–9).
std::size_t varintLength(std::uint64_t value);

// The number of content bytes of a value of serial type `type`: 0 for NULL, the constants
// (8, 9) and the reserved types 10 and 11; 1, 2, 3, 4, 6, 8 for the integers; 8 for a real;
// (type − 12) / 2 for a blob (even types from 12) and (type − 13) / 2 for a text (odd from 13).
std::uint64_t serialTypeContentLength(std::uint64_t type);

// The total byte length of the first `count` varints at `offset` of `bytes`, or 0 when they do
// not all end inside `bytes`.
std::size_t
serialTypesLength(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t count);

} // namespace sqlitecarve
