// Reading the live records of one table b-tree, page by page, and carving the unallocated
// space of its pages. Rows come out as raw records (one value per stored serial type); the
// database layer maps them onto the table's columns.
#pragma once

#include "sqlitecarve/CarvedRow.h"
#include "sqlitecarve/RecordShape.h"
#include "sqlitecarve/SqliteCarver.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace sqlitecarve {

using RowSink = std::function<void(CarvedRow&)>;

// Every page of a table b-tree.
struct TreePages
{
    std::vector<std::uint32_t> leaves;
    std::vector<std::uint32_t> interiors;
};

// Takes each live record: the row, and the record's content bytes (valid during the call).
using LiveRowSink = std::function<void(CarvedRow&, std::span<const std::uint8_t>)>;

// Walks the b-tree rooted at 0-based `root` and hands each live record of its leaves to
// `sink`, in page order then pointer order, with origin Live, its rowid and its values: the
// columns flagged in `decode` (every column when it is empty), the others NULL with their
// serial type kept. One row object is reused from record to record; the sink may move from
// it. Cells that cannot be decoded are skipped, counted in `skipped` and recorded with their
// page and offset in the carver's diagnostics; a leaf that cannot be read is skipped too.
// `pages` receives the pages walked. Returns 0, or the first walk or read status, after
// handing out every row that could be read.
[[nodiscard]] int readLiveRecords(const SqliteCarver& carver,
                                  std::uint32_t root,
                                  TreePages& pages,
                                  const std::vector<bool>& decode,
                                  const LiveRowSink& sink,
                                  std::size_t& skipped);

// Carves the unallocated space of `pages` (0-based indexes of one table's b-tree) with
// `shape`, handing each recovered record to `sink`. Returns 0 or the first read status.
[[nodiscard]] int carveTreePages(const SqliteCarver& carver,
                                 const TreePages& pages,
                                 const RecordShape& shape,
                                 const RowSink& sink);

} // namespace sqlitecarve
