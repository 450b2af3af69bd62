// Deleted-record recovery on one page. A deleted cell keeps most of its bytes: freeing it
// writes a 4-byte free-block header (next block, size) over its first bytes, so its
// payload-size and rowid varints, and often its header-size varint and first serial type, are
// gone; cells freed next to a free block merge into it and keep their own bytes. The carver
// maps the page's unallocated space (free blocks, the gap below the cell content area, other
// unused bytes, cells still named by stale pointers) and reads records out of it, each checked
// against the table's record shape and against the space it was found in.
#pragma once

#include "sqlitecarve/CarvedRow.h"
#include "sqlitecarve/RecordShape.h"
#include "sqlitecarve/SqliteCarver.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sqlitecarve {

// What a page is to the carver.
enum class PageRole
{
    // A page of a live table b-tree: only its unallocated space is carved.
    TreePage,
    // A free-list leaf page: its cells, if it still looks like a leaf table page, are rows
    // too, and so is its unallocated space.
    FreeLeaf,
    // A free-list trunk page: its header and leaf list overwrote the start of the page; the
    // rest is carved as one unallocated area.
    FreeTrunk
};

class PageCarver
{
public:
    // `page` is the whole page of 0-based `index`; `shape` says what a record must look like
    // (RecordShape::any() when no table is known).
    PageCarver(const SqliteCarver& carver,
               std::span<const std::uint8_t> page,
               std::uint32_t index,
               const RecordShape& shape,
               PageRole role);

    // Appends every record found, marked deleted, with its origin, page and offset; the table
    // name is left empty. Finders never fail: what does not fit gives no row.
    void carve(std::vector<CarvedRow>& rows);

private:
    struct Hit
    {
        std::size_t start = 0;
        std::size_t end = 0;
        std::optional<std::int64_t> rowid;
        std::vector<std::uint64_t> types;
        std::vector<Value> values;
    };

    struct Region
    {
        std::size_t begin = 0;
        std::size_t end = 0;
        Origin origin = Origin::Tail;
    };

    void mapPage();
    void markUsed(std::size_t begin, std::size_t end);
    std::size_t nextUsed(std::size_t position, std::size_t end) const;
    void emit(Hit& hit, Origin origin, std::vector<CarvedRow>& rows);

    bool tryFullCell(std::size_t position, std::size_t limit, Hit& hit) const;
    bool tryHeader(std::size_t position, std::size_t limit, Hit& hit) const;
    bool tryOverwritten(std::size_t start, std::size_t limit, bool exactOnly, Hit& hit) const;
    bool tryFirstTypeLost(std::size_t start, std::size_t limit, bool exactOnly, Hit& hit) const;
    bool followedByRecord(std::size_t end, std::size_t limit) const;
    // Whether the header of an earlier free block that merged into a later one starts at
    // `end`: serial types that fit the table follow it.
    bool staleHeaderFollows(std::size_t end, std::size_t limit) const;
    bool buildHit(std::vector<std::uint64_t> types,
                  std::size_t payloadStart,
                  std::uint64_t headerSize,
                  std::size_t limit,
                  Hit& hit) const;
    bool plausible(const Hit& hit) const;

    void scanRange(std::size_t begin, std::size_t end, Origin origin, std::vector<CarvedRow>& rows);
    void carveGapChain(const Region& gap, std::vector<CarvedRow>& rows);

    const SqliteCarver& m_carver;
    std::span<const std::uint8_t> m_page;
    std::uint32_t m_index;
    const RecordShape& m_shape;
    PageRole m_role;
    std::vector<std::uint8_t> m_used;
    std::vector<Region> m_regions;
    std::vector<std::size_t> m_staleHints;
    std::vector<std::size_t> m_liveCells;
};

} // namespace sqlitecarve
