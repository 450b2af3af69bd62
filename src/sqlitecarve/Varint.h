// The SQLite file format's variable-length integers and serial types: the two building blocks
// of every cell and record header. Varints are read through platform::ByteView, which bounds
// every read by the span it is given.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sqlitecarve {

// The number of bytes the format uses to store `value` as a varint (1–9).
std::size_t varintLength(std::uint64_t value);

// The number of content bytes of a value of serial type `type`: 0 for NULL, the constants
// (8, 9) and the reserved types 10 and 11; 1, 2, 3, 4, 6, 8 for the integers; 8 for a real;
// (type − 12) / 2 for a blob (even types from 12) and (type − 13) / 2 for a text (odd from 13).
// Sums of these must be checked: see contentLengthOf.
std::uint64_t serialTypeContentLength(std::uint64_t type);

} // namespace sqlitecarve
