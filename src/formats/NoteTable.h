// Tables in notes of the newer note store. A table is an embedded object: the note's text holds
// a U+FFFC mark naming it, and the object's row keeps the table in `ZMERGEABLEDATA1` as a gzip
// stream of a mergeable document, a protobuf of numbered entries that refer to each other by
// index. The parts read (field numbers):
//
//   root          2 object
//   object        3 data
//   data          3 entry (repeated), 4 key name, 5 type name, 6 UUID (16 bytes) (all repeated)
//   entry         6 dictionary, 10 note (2 text), 13 custom map, 16 ordered set
//   custom map    1 type (index into the type names), 3 map entry (1 key name index, 2 object)
//   object        2 integer, 6 entry index
//   dictionary    1 element (1 key object, 2 value object)
//   ordered set   1 ordering (1 array (2 position (2 UUID)), 2 contents dictionary)
//
// The table is the entry whose custom map has the type "com.apple.notes.ICTable"; its map names
// "crRows" and "crColumns" (ordered sets) and "cellColumns" (a dictionary). An ordered set
// lists its rows or columns in display order by UUID; its contents dictionary maps each of
// those UUIDs to the UUID the cells use (objects of type "com.apple.CRDT.NSUUID" whose map
// holds the UUID's index). Rows and columns the user deleted stay in the contents but not in
// the array, so they have no place and their cells are not shown. "cellColumns" is column
// first: column UUID to a dictionary of row UUID to the cell's note.
//
// Limits: the inflated document is at most kMaxNoteDocumentBytes, the grid at most
// kMaxNoteTableCells cells and the text at most kMaxNoteTableText bytes; every entry is read
// at most once for each use, so the work is bounded by the document's size and the grid's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace formats {

// The most cells (rows times columns) of a table rendered.
inline constexpr std::size_t kMaxNoteTableCells = std::size_t{1} << 20;
// The most bytes of text a table renders to.
inline constexpr std::size_t kMaxNoteTableText = std::size_t{16} << 20;

// Renders the mergeable document `document` of a table as tab-separated rows into `text`:
// one line per row in display order, cells in column order, each cell's line breaks and tabs
// shown as spaces and its object marks left out. Returns 0; kStatusCorrupt when a length or tag
// leaves its buffer, a wire type is unknown, or a cell is not UTF-8; kStatusUnsupported when
// the document holds no table or the table exceeds the limits. `text` is empty on failure.
[[nodiscard]] int renderNoteTable(std::string_view document, std::string& text);

// Inflates the table object's data `blob` (see inflateNoteData) and renders it with
// renderNoteTable; returns the first failing status.
[[nodiscard]] int decodeNoteTable(std::span<const std::uint8_t> blob, std::string& text);

} // namespace formats
