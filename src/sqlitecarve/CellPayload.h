// Leaf table cells and their payloads, overflow pages included. A leaf table cell is
//   payload size P (varint), rowid (varint), the first `local` bytes of the payload, and, when
//   the payload overflows, the 4-byte number of its first overflow page.
// How many payload bytes stay local follows the file format: with U the usable page size,
// X = U − 35, M = ((U − 12) × 32 / 255) − 23 and K = M + ((P − M) mod (U − 4)), local is P when
// P ≤ X, else K when K ≤ X, else M. Each overflow page holds the next page number (0 at the
// end) and U − 4 payload bytes.
#pragma once

#include "sqlitecarve/SqliteCarver.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sqlitecarve {

// The number of payload bytes kept in the cell for a table-leaf payload of `payloadSize`.
std::uint64_t localPayloadSize(std::uint64_t payloadSize, std::uint32_t usableSize);

struct CellPayload
{
    std::uint64_t payloadSize = 0;
    std::int64_t rowid = 0;
    // Offset of the first payload byte in the page, and one past the cell's last local byte
    // (its overflow page number included).
    std::size_t payloadStart = 0;
    std::size_t cellEnd = 0;
    std::uint32_t firstOverflow = 0;
    // The whole payload: a view into the page, or into `assembled` when it overflows.
    std::span<const std::uint8_t> payload;
    std::vector<std::uint8_t> assembled;
};

// Appends to `payload` (which holds the local part) the bytes of the overflow chain starting at
// page number `firstOverflow` until it holds `payloadSize` bytes. Limits: the payload may not
// exceed kMaxRecordBytes nor what the file's pages can hold (checked before reading), and the
// chain may not revisit a page or leave the file, so it is never longer than the file has
// pages and `payload` never grows beyond the bytes actually read. Returns 0; kStatusCorrupt
// when the size is beyond those bounds or a page is out of range, kStatusCycle, or
// kStatusTruncated (chain ended early), with the bytes gathered so far; or a read status.
// Records nothing in the carver's diagnostics: the carver tries chains of candidate records
// that are mostly not records; callers report the damage of cells they know to be live.
[[nodiscard]] int assembleOverflow(const SqliteCarver& carver,
                                   std::uint32_t firstOverflow,
                                   std::uint64_t payloadSize,
                                   std::vector<std::uint8_t>& payload);

// Reads the leaf table cell at `offset` of `page` (whose usable part ends at the carver's
// usable size), following overflow pages. Returns 0, kStatusCorrupt when the cell does not fit
// its page or claims more than kMaxRecordBytes, or an assembleOverflow status.
[[nodiscard]] int readTableLeafCell(const SqliteCarver& carver,
                                    std::span<const std::uint8_t> page,
                                    std::size_t offset,
                                    CellPayload& cell);

} // namespace sqlitecarve
