// The text of a message body archived in sms.db's `message.attributedBody`: an
// NSAttributedString written by NSArchiver in its little-endian "streamtyped" layout. Newer
// devices keep many bodies only there and leave `message.text` NULL. Only the string is read;
// the attribute runs that follow it are not.
//
// Header (offsets from the start of the blob):
//   0   1 byte    streamer version, 4
//   1   1 byte    signature length, 11
//   2   11 bytes  "streamtyped" (little-endian; "typedstream" is the big-endian form)
//   13  integer   system version, 1000 (81 E8 03)
//   16  typed values: a type-encoding string, then the values it describes
//
// Head byte of every value (read as a signed byte, -128…-111 are tags):
//   00–7F, 92–FF  a one-byte integer (signed: -110…127; a length reads 92–FF as 146…255)
//   81            a 2-byte little-endian integer follows
//   82            a 4-byte little-endian integer follows
//   84            a new literal: string, class or object
//   85            nil; also ends a class chain at a root class
//   86            end of an object
//   others        float, 8-byte integer: never part of what is read here
// A reference is an integer whose value + 110 indexes a table: shared strings (type encodings
// and class names, each added when written as 84 <length> <bytes>) or objects (each new object
// and each new class added in the order written).
//
// The part read:
//   84 01 "@"                     type of the root value: one object
//   84 <class chain>              the attributed string: NSAttributedString or a subclass
//   <"@">  84 <class chain>       its first instance value: NSString or a subclass
//   <"+">  <length> <bytes>       a byte string: the text as UTF-8, length in bytes
//   86                            end of the string object
// Class chain: (84 <name: shared string> <version: integer>)… ended by 85 or by a reference to
// a class read before.
//
// Limits: no read leaves the blob; the tables hold at most one entry per byte read; the text
// is at most the blob's size; there is no recursion.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace formats {

// How the text of an attributedBody was found.
enum class BodyTextOrigin
{
    // Read in order from the header to the string's end marker: the text is exactly what the
    // archive holds.
    Archive,
    // Found by searching a damaged archive for the string after its "NSString" class name;
    // where the declared length did not end at an end marker, the text ends where the next
    // archived value starts or where the blob ends, so it may be cut short.
    Scan,
};

// Reads the message text of an attributedBody `blob` into `text`, strictly in archive order.
// Returns 0; kStatusTruncated when the blob ends before the string's end marker;
// kStatusUnsupported when the header is not a version 4 little-endian stream of system version
// 1000, or the archive is not an attributed string whose first value is a string;
// kStatusCycle when a class chain refers to a class it is still reading; kStatusCorrupt for a
// tag out of place, a reference outside its table, a length not followed by the end marker, or
// text that is not well-formed UTF-8. `text` is changed only on success.
[[nodiscard]] int decodeAttributedBodyText(std::span<const std::uint8_t> blob, std::string& text);

// Reads the text like decodeAttributedBodyText and, where that fails, searches the blob as a
// damaged archive (rows recovered from free space often are). Sets `origin` to say which way
// succeeded. Returns 0; otherwise the status of the strict read, with `text` unchanged.
[[nodiscard]] int readAttributedBodyText(std::span<const std::uint8_t> blob,
                                         std::string& text,
                                         BodyTextOrigin& origin);

} // namespace formats
