// The whole body of a note of the newer note store: `ZICNOTEDATA.ZDATA` is a gzip stream whose
// content is a protobuf message. The parts read (field numbers):
//
//   root        2 document
//   document    3 note
//   note        2 text (UTF-8), 5 attribute run (repeated, in text order)
//   run         1 length in UTF-16 code units, 2 paragraph style, 12 embedded object (1 its
//               identifier)
//   style       1 kind (-1 body, 0 title, 1 heading, 2 subheading, 4 monospaced, 100 dotted list,
//               101 dashed list, 102 numbered list, 103 checklist), 4 indent level,
//               5 checklist item (2 done)
//
// A paragraph takes the style of the run over its first character. Links are ordinary text
// with a link attribute, so they render as their text. Embedded objects (tables, drawings,
// files) are a U+FFFC in the text whose run names the object; their content lives in other
// rows, so the caller may give the text that stands for an object, and the mark is left out.
//
// Limits: the inflated document is at most kMaxNoteDocumentBytes; no read leaves its buffer;
// only the fixed path above is descended, so nesting depth is bounded whatever the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace formats {

// The largest inflated note document accepted (a note of several million characters).
inline constexpr std::size_t kMaxNoteDocumentBytes = std::size_t{32} << 20;

// Inflates the gzip (or zlib) stream `blob` into `document`. Returns 0; kStatusUnsupported
// when `blob` starts with neither gzip nor zlib magic (an encrypted body, say) or inflates to
// more than `limit` bytes; kStatusTruncated when the stream ends early; kStatusCorrupt for
// invalid compressed data. `document` is empty on failure.
[[nodiscard]] int inflateNoteData(std::span<const std::uint8_t> blob,
                                  std::string& document,
                                  std::size_t limit = kMaxNoteDocumentBytes);

// The text that stands for the embedded object with `identifier` (a table's rows, say); ""
// leaves the object out. It must be valid UTF-8.
using NoteObjectText = std::function<std::string(std::string_view identifier)>;

// Renders the protobuf note `document` as plain text into `text`: paragraphs separated by line
// feeds; list items prefixed "• " (dotted, dashed) or "N. " (numbered, counted per run of
// consecutive items of one indent); checklist items "☐ " or "☑ "; two spaces per indent
// level before a list item; each U+FFFC object mark replaced by what `objects` gives for the
// object (when given), else removed. Returns 0; kStatusCorrupt when a length or tag leaves
// its buffer, a wire type is unknown, or the text is not UTF-8; kStatusUnsupported when the
// document has no note text. `text` is empty on failure.
[[nodiscard]] int renderNoteDocument(std::string_view document,
                                     std::string& text,
                                     const NoteObjectText& objects = {});

// inflateNoteData then renderNoteDocument; returns the first failing status.
[[nodiscard]] int decodeNoteBody(std::span<const std::uint8_t> blob,
                                 std::string& text,
                                 const NoteObjectText& objects = {});

} // namespace formats
