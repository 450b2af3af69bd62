// Record headers and contents. A record is a header-size varint (counting its own bytes), one
// serial type per column, then the column contents in column order:
//
//   offset              size         meaning
//   0                   1–9          header size HS, including this varint
//   len(HS)             HS − len     serial types, one varint per column
//   HS                  sum(lengths) contents of the columns, in column order
#pragma once

#include "sqlitecarve/Value.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sqlitecarve {

// Largest record (header and contents, so also the largest value) we accept: SQLite cannot
// store one longer than 2^31 − 1 bytes whatever its length limit is set to, so a record that
// claims more is damage. Serial types near 2^64 would otherwise make sums of content lengths
// wrap, and buffers sized from them outgrow any file.
inline constexpr std::uint64_t kMaxRecordBytes = 0x7fffffff;

// Sets `total` to the sum of the content lengths of `types`. Returns false, leaving `total`
// alone, when the sum exceeds kMaxRecordBytes (it never wraps).
[[nodiscard]] bool contentLengthOf(const std::vector<std::uint64_t>& types, std::uint64_t& total);

// The shape of one record found at some offset of a buffer.
struct RecordLayout
{
    std::vector<std::uint64_t> serialTypes;
    // Offset of the first serial type, and of the first content byte.
    std::size_t typesStart = 0;
    std::size_t contentStart = 0;
    // The sum of the content lengths of all serial types.
    std::uint64_t contentLength = 0;
    // The record's size from its header-size varint (or from its serial types when that varint
    // is lost) to the end of its contents.
    std::uint64_t recordSize = 0;
};

// Reads a record header whose header-size varint starts at `offset` of `bytes`: the varint
// must be followed by whole serial types that end exactly where it says, between 1 and
// `maxColumns` of them, none of the reserved types 10 and 11, their contents within
// kMaxRecordBytes. Only the header must lie inside `bytes`. Returns 0, or kStatusCorrupt.
[[nodiscard]] int readRecordHeader(std::span<const std::uint8_t> bytes,
                                   std::size_t offset,
                                   std::size_t maxColumns,
                                   RecordLayout& layout);

// Reads exactly `count` serial types starting at `offset` (a header whose size varint was
// overwritten). The size varint the record had is taken into its size. Returns 0, or
// kStatusCorrupt when a type is reserved, the types do not end inside `bytes` or their
// contents exceed kMaxRecordBytes.
[[nodiscard]] int readSerialTypes(std::span<const std::uint8_t> bytes,
                                  std::size_t offset,
                                  std::size_t count,
                                  RecordLayout& layout);

// Decodes the contents of `types` from `content`, which must hold at least their total
// length, into one value per type. The elements of `values` are reused, so decoding row after
// row into the same vector allocates only when a text outgrows its buffer. Returns 0, or
// kStatusCorrupt.
[[nodiscard]] int decodeRecordValues(const std::vector<std::uint64_t>& types,
                                     std::span<const std::uint8_t> content,
                                     TextEncoding encoding,
                                     std::vector<Value>& values);

// decodeRecordValues decoding only the columns flagged in `decode` (all when it is empty); the
// others read as NULL that keep their serial type. Every length is still checked against
// `content`. Returns 0, or kStatusCorrupt.
[[nodiscard]] int decodeRecordValues(const std::vector<std::uint64_t>& types,
                                     std::span<const std::uint8_t> content,
                                     TextEncoding encoding,
                                     const std::vector<bool>& decode,
                                     std::vector<Value>& values);

} // namespace sqlitecarve
