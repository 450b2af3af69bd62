// The lowest layer of our own SQLite reader: one open database file, its header, its free list,
// positioned page reads, cell pointer arrays and b-tree walks. A file opened by path is mapped
// into memory and its pages are looked at where they lie; a file that cannot be mapped, and any
// other read source, is read page by page. It never loads the whole file; offsets are 64-bit.
//
// Limits: pages of 512 to 65,536 bytes; at most 2^32 − 1 pages (the format's page numbers are
// 32-bit; a longer file is read up to there); b-trees at most kMaxTreeDepth deep. Memory is a
// page per level of a walk plus 4 bytes per page listed in the free list or met in a walk.
//
// Database header fields read (offsets in page 1):
//   0   16  "SQLite format 3\0"          32  4  first free-list trunk page
//   16   2  page size (1 means 65,536)    36  4  number of free-list pages
//   20   1  reserved bytes per page       56  4  text encoding (1, 2, 3)
// B-tree page header (at 100 on page 1, at 0 elsewhere):
//   0   1  type: 2 interior index, 5 interior table, 10 leaf index, 13 leaf table
//   1   2  first free block              5   2  start of cell content (0 means 65,536)
//   3   2  number of cells               7   1  fragmented free bytes
//   8   4  right-most child (interior pages only)
#pragma once

#include "platform/Diagnostics.h"
#include "platform/File.h"
#include "platform/MappedFile.h"
#include "platform/ReadAhead.h"
#include "platform/ReadSource.h"
#include "sqlitecarve/Value.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace sqlitecarve {

// 0-based page index → key of the child pointer that led there (−1 for the right-most child
// and for roots). Ordered by page index, so walks visit pages in file order.
using PageKeyMap = std::map<std::uint32_t, std::int64_t>;

inline constexpr std::uint8_t kInteriorIndexPage = 2;
inline constexpr std::uint8_t kInteriorTablePage = 5;
inline constexpr std::uint8_t kLeafIndexPage = 10;
inline constexpr std::uint8_t kLeafTablePage = 13;
// Deepest b-tree we walk; real trees of 2^32 pages are far shallower.
inline constexpr int kMaxTreeDepth = 64;

class SqliteCarver
{
public:
    SqliteCarver() = default;
    SqliteCarver(const SqliteCarver&) = delete;
    SqliteCarver& operator=(const SqliteCarver&) = delete;

    // Opens `path` read-only (closing any file opened before), mapped when it can be, and
    // reads its header and free list. Returns 0; the system's error code when the file cannot be
    // opened; kStatusInvalid (87) when the first 16 bytes are not the format's magic (compared
    // without regard to case) or the page size is not a power of two from 512 to 65,536;
    // kStatusShortRead when the file is shorter than its header. Each fault of the header and the
    // free list is recorded in the diagnostics with its page and offset.
    [[nodiscard]] int open(const std::string& path);
    // Reads the database from `source` as open(path) does, without the open errors; `source`
    // must outlive the carver or its next open.
    [[nodiscard]] int open(const platform::ReadSource& source);

    // Reads `length` bytes at absolute `offset` into `buffer`; `got` is the count read.
    // Returns 0 when all arrived, kStatusShortRead (30) at the end of the file,
    // kStatusInvalid when no file is open, or the system's error code.
    [[nodiscard]] int
    readAt(std::uint64_t offset, std::size_t length, void* buffer, std::size_t& got) const;

    // Reads the page of 0-based `index` into `page` (resized to the page size). Returns 0,
    // kStatusCorrupt for an index beyond the file, or a readAt status; each failure is
    // recorded in the diagnostics with the page.
    [[nodiscard]] int readPage(std::uint32_t index, std::vector<std::uint8_t>& page) const;
    // The page of 0-based `index` as `page`: a view of the mapped file, or else read into
    // `buffer` as readPage does. The view lasts until the next open, or the next use of
    // `buffer`. Returns what readPage returns.
    [[nodiscard]] int pageBytes(std::uint32_t index,
                                std::vector<std::uint8_t>& buffer,
                                std::span<const std::uint8_t>& page) const;

    std::uint32_t pageSize() const { return m_pageSize; }

    // The page size less the reserved bytes at the end of every page.
    std::uint32_t usableSize() const { return m_usableSize; }

    std::uint32_t pageCount() const { return m_pageCount; }

    TextEncoding encoding() const { return m_encoding; }

    // 0-based indexes of the free list's leaf pages in the order the trunks list them, and of
    // the trunk pages themselves.
    const std::vector<std::uint32_t>& freeListPages() const { return m_freeListPages; }

    const std::vector<std::uint32_t>& freeListTrunks() const { return m_freeListTrunks; }

    // 0, or the status that ended the free-list walk early (a cycle, a page out of range).
    int freeListStatus() const { return m_freeListStatus; }

    // Where the b-tree header of the page of 0-based `index` starts.
    static std::size_t headerOffset(std::uint32_t index) { return index == 0 ? 100 : 0; }

    // The cell offsets of a b-tree page whose header starts at `header`, taken from the
    // pointer array in array order. Entries that point into the header, the pointer array or
    // past the usable size are left out; the count is bounded by the page. When `faults` is
    // given, each entry left out is recorded there at its place in the page of 0-based
    // `index`; callers that only look at a page's layout pass none, so that one damage is
    // reported once.
    std::vector<std::uint32_t> cellPointers(std::span<const std::uint8_t> page,
                                            std::size_t header,
                                            platform::Diagnostics* faults = nullptr,
                                            std::uint32_t index = 0) const;

    // Every page of the table b-tree rooted at 0-based `root`: leaves and interior pages, the
    // children of an interior page in ascending page order. A page met twice or a tree deeper
    // than kMaxTreeDepth ends that branch with kStatusCycle or kStatusTooDeep, a child outside
    // the file or a page that is not a table page is left out with kStatusCorrupt, and a failed
    // read ends that branch with its status; each is recorded in the diagnostics and the walk goes
    // on with the other branches. Returns 0 or the first such status.
    [[nodiscard]] int collectTreePages(std::uint32_t root,
                                       std::vector<std::uint32_t>& leaves,
                                       std::vector<std::uint32_t>& interiors) const;

    // Where failures are recorded, with their page and offset (may be null).
    void setDiagnostics(platform::Diagnostics* sink) { m_diagnostics = sink; }

    platform::Diagnostics* diagnostics() const { return m_diagnostics; }

private:
    int readFreeList();
    // The children of the interior table page of 0-based `index`: each cell's left child with
    // the key after it, and the right-most child with key −1, as 0-based indexes. Children
    // outside the file are left out and make the result kStatusCorrupt; otherwise returns 0.
    int childPages(std::span<const std::uint8_t> page,
                   std::uint32_t index,
                   const std::vector<std::uint32_t>& cells,
                   PageKeyMap& children) const;
    int walk(std::uint32_t index,
             int depth,
             std::unordered_set<std::uint32_t>& visited,
             std::vector<std::uint32_t>& leaves,
             std::vector<std::uint32_t>& interiors) const;

    // Reads the header and free list of `source`, behind both open calls.
    int readStart(const platform::ReadSource& source);

    // The file opened by path when it could be mapped; reads then look at its bytes.
    platform::MappedFile m_map;
    // The file opened by path when it could not be mapped.
    platform::File m_file;
    const platform::ReadSource* m_source = nullptr;
    // Reads of m_source go through here, a block at a time, when the file is not mapped.
    platform::ReadAhead m_reads;
    std::uint64_t m_fileSize = 0;
    std::uint32_t m_pageSize = 0;
    std::uint32_t m_usableSize = 0;
    std::uint32_t m_pageCount = 0;
    TextEncoding m_encoding = TextEncoding::Utf8;
    std::vector<std::uint32_t> m_freeListPages;
    std::vector<std::uint32_t> m_freeListTrunks;
    int m_freeListStatus = 0;
    platform::Diagnostics* m_diagnostics = nullptr;
};

} // namespace sqlitecarve
