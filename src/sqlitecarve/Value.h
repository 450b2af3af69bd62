// One column value of a record as the file stores it: NULL, integer, real, text or blob, with
// the serial type it came from so that writers can tell the constants 0 and 1 from integers.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace sqlitecarve {

enum class ValueKind
{
    Null,
    Integer,
    Real,
    Text,
    Blob
};

// The text encoding of a database (header byte 56): 1 UTF-8, 2 UTF-16LE, 3 UTF-16BE.
enum class TextEncoding
{
    Utf8 = 1,
    Utf16le = 2,
    Utf16be = 3
};

struct Value
{
    ValueKind kind = ValueKind::Null;
    std::uint64_t serialType = 0;
    std::int64_t integer = 0;
    double real = 0.0;
    // Text as UTF-8 (converted from UTF-16 databases; invalid bytes of a UTF-8 database are
    // kept as stored), or the blob's bytes.
    std::string bytes;

    bool operator==(const Value& other) const;
};

// Decodes the value of serial type `type` from `content`, which holds exactly its content
// bytes. Returns 0, or kStatusCorrupt for the reserved types 10 and 11 or a size mismatch.
[[nodiscard]] int decodeValue(std::uint64_t type,
                              std::span<const std::uint8_t> content,
                              TextEncoding encoding,
                              Value& value);

// UTF-16 code units (little- or big-endian bytes) converted to UTF-8; unpaired surrogates and
// a trailing odd byte become U+FFFD.
std::string utf16ToUtf8(std::span<const std::uint8_t> bytes, bool bigEndian);

// The value as plain display text: integers and reals in decimal, text as it stands, blobs
// as lower-case hexadecimal, NULL as the empty string.
std::string valueToText(const Value& value);

} // namespace sqlitecarve
