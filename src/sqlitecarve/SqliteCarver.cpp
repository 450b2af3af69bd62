// Opening a database file, reading its header, pages and free list, and walking table b-trees.
#include "sqlitecarve/SqliteCarver.h"

#include "platform/ByteView.h"
#include "platform/Status.h"

#include <algorithm>

namespace sqlitecarve {

namespace {

constexpr std::size_t kHeaderBytes = 100;
constexpr char kMagic[] = "sqlite format 3";

} // namespace

int SqliteCarver::open(const std::string& path)
{
    m_source = nullptr;
    m_map.close();
    m_file.close();
    // A file within the read-ahead budget is mapped whole: its pages then stay resident, as
    // the read-ahead blocks would, and cost no copies. A larger file goes through the
    // read-ahead blocks, so its cost in memory stays bounded.
    if (m_map.open(path, platform::ReadAhead::kBudgetBytes) == 0) {
        const int readStatus = readStart(m_map);
        if (readStatus != 0) {
            m_map.close();
        }
        return readStatus;
    }
    // Not mapped (larger than the budget, empty, not a regular file, no address space): read
    // it through the read-ahead blocks.
    const int status = m_file.openRead(path);
    if (status != 0) {
        return status;
    }
    const int readStatus = readStart(m_file);
    if (readStatus != 0) {
        m_file.close();
    }
    return readStatus;
}

int SqliteCarver::open(const platform::ReadSource& source)
{
    m_map.close();
    m_file.close();
    return readStart(source);
}

int SqliteCarver::readStart(const platform::ReadSource& source)
{
    m_source = nullptr;
    m_freeListPages.clear();
    m_freeListTrunks.clear();
    m_freeListStatus = 0;
    m_pageSize = m_usableSize = m_pageCount = 0;
    int status = source.size(m_fileSize);
    if (status != 0) {
        return status;
    }
    m_source = &source;
    m_reads.setSource(&source);
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t got = 0;
    status = readAt(0, kHeaderBytes, header, got);
    if (got < 16) {
        m_source = nullptr;
        return platform::failAt(m_diagnostics,
                                status == 0 ? platform::kStatusShortRead : status,
                                1,
                                got,
                                "file shorter than its header");
    }
    for (std::size_t i = 0; i < 16; ++i) {
        const auto c = static_cast<unsigned char>(header[i]);
        const auto lower = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
        if (lower != static_cast<unsigned char>(kMagic[i])) {
            m_source = nullptr;
            return platform::failAt(m_diagnostics, platform::kStatusInvalid, 1, 0, "bad magic");
        }
    }
    const platform::ByteView view(std::span<const std::uint8_t>(header, got));
    std::uint16_t rawPageSize = 0;
    std::uint32_t encoding = 0;
    if (got < kHeaderBytes || !view.u16be(16, rawPageSize) || !view.u32be(56, encoding)) {
        m_source = nullptr;
        return platform::failAt(m_diagnostics,
                                status == 0 ? platform::kStatusShortRead : status,
                                1,
                                got,
                                "file shorter than its header");
    }
    std::uint32_t pageSize = rawPageSize;
    if (pageSize == 1) {
        pageSize = 65536;
    }
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        m_source = nullptr;
        return platform::failAt(m_diagnostics, platform::kStatusInvalid, 1, 16, "bad page size");
    }
    const std::uint32_t reserved = header[20];
    if (pageSize - reserved < 480) {
        m_source = nullptr;
        return platform::failAt(
            m_diagnostics, platform::kStatusInvalid, 1, 20, "bad reserved size");
    }
    m_pageSize = pageSize;
    m_usableSize = pageSize - reserved;
    m_pageCount =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(m_fileSize / pageSize, 0xffffffffULL));
    m_encoding =
        (encoding == 2 || encoding == 3) ? static_cast<TextEncoding>(encoding) : TextEncoding::Utf8;
    m_freeListStatus = readFreeList();
    return platform::kStatusOk;
}

int SqliteCarver::readAt(std::uint64_t offset,
                         std::size_t length,
                         void* buffer,
                         std::size_t& got) const
{
    got = 0;
    if (m_source == nullptr) {
        return platform::kStatusInvalid;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    const std::span<const std::uint8_t> mapped = m_map.bytes();
    if (!mapped.empty()) {
        if (offset < mapped.size()) {
            got = static_cast<std::size_t>(std::min<std::uint64_t>(length, mapped.size() - offset));
            std::copy_n(mapped.data() + offset, got, out);
        }
        return got < length ? platform::kStatusShortRead : platform::kStatusOk;
    }
    while (got < length) {
        const std::size_t piece = std::min<std::size_t>(length - got, 65536);
        std::size_t arrived = 0;
        const int status = m_reads.readAt(offset + got, out + got, piece, arrived);
        if (status != 0) {
            return status;
        }
        got += arrived;
        if (arrived < piece) {
            return platform::kStatusShortRead;
        }
    }
    return platform::kStatusOk;
}

int SqliteCarver::readPage(std::uint32_t index, std::vector<std::uint8_t>& page) const
{
    if (index >= m_pageCount) {
        return platform::corruptAt(m_diagnostics, index + 1ULL, "page beyond the file");
    }
    page.resize(m_pageSize);
    std::size_t got = 0;
    const int status = readAt(std::uint64_t{index} * m_pageSize, m_pageSize, page.data(), got);
    if (status != 0) {
        return platform::failAt(m_diagnostics, status, index + 1ULL, "page cannot be read");
    }
    return platform::kStatusOk;
}

int SqliteCarver::pageBytes(std::uint32_t index,
                            std::vector<std::uint8_t>& buffer,
                            std::span<const std::uint8_t>& page) const
{
    if (m_map.bytes().empty() || index >= m_pageCount) {
        const int status = readPage(index, buffer);
        page = buffer;
        return status;
    }
    page = m_map.bytes().subspan(std::size_t{index} * m_pageSize, m_pageSize);
    return platform::kStatusOk;
}

int SqliteCarver::readFreeList()
{
    std::vector<std::uint8_t> header(kHeaderBytes);
    std::size_t got = 0;
    int status = readAt(0, kHeaderBytes, header.data(), got);
    if (status != 0) {
        return status;
    }
    std::uint32_t trunk = 0;
    if (!platform::ByteView(header).u32be(32, trunk)) {
        return platform::kStatusShortRead;
    }
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> page;
    const std::uint32_t maxLeaves = m_usableSize / 4 - 2;
    // Where the pointer to the current trunk lies: the header, then each trunk's first bytes.
    std::uint32_t pointerPage = 1;
    std::size_t pointerOffset = 32;
    while (trunk != 0) {
        if (trunk > m_pageCount) {
            return platform::corruptAt(
                m_diagnostics, pointerPage, pointerOffset, "free-list trunk beyond the file");
        }
        if (!seen.insert(trunk).second) {
            return platform::failAt(m_diagnostics,
                                    platform::kStatusCycle,
                                    pointerPage,
                                    pointerOffset,
                                    "free-list trunk chain loops");
        }
        status = readPage(trunk - 1, page);
        if (status != 0) {
            return status;
        }
        m_freeListTrunks.push_back(trunk - 1);
        const platform::ByteView view(page);
        pointerPage = trunk;
        pointerOffset = 0;
        std::uint32_t count = 0;
        if (!view.u32be(0, trunk) || !view.u32be(4, count)) {
            return platform::corruptAt(m_diagnostics, pointerPage, 0, "free-list trunk cut short");
        }
        count = std::min(count, maxLeaves);
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t leaf = 0;
            if (view.u32be(8 + 4 * std::size_t{i}, leaf) && leaf >= 1 && leaf <= m_pageCount &&
                seen.insert(leaf).second) {
                m_freeListPages.push_back(leaf - 1);
            }
        }
    }
    return platform::kStatusOk;
}

std::vector<std::uint32_t> SqliteCarver::cellPointers(std::span<const std::uint8_t> page,
                                                      std::size_t header,
                                                      platform::Diagnostics* faults,
                                                      std::uint32_t index) const
{
    std::vector<std::uint32_t> offsets;
    const platform::ByteView view(page);
    std::uint16_t declared = 0;
    if (header + 8 > page.size() || !view.u16be(header + 3, declared)) {
        return offsets;
    }
    const std::uint8_t type = page[header];
    const std::size_t arrayStart =
        header + ((type == kInteriorTablePage || type == kInteriorIndexPage) ? 12 : 8);
    const std::size_t usable = std::min<std::size_t>(m_usableSize, page.size());
    if (arrayStart >= usable) {
        return offsets;
    }
    const std::size_t count = std::min<std::size_t>(declared, (usable - arrayStart) / 2);
    const std::size_t arrayEnd = arrayStart + 2 * count;
    offsets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint16_t offset = 0;
        if (view.u16be(arrayStart + 2 * i, offset) && offset >= arrayEnd && offset < usable) {
            offsets.push_back(offset);
        } else {
            platform::corruptAt(faults,
                                index + 1ULL,
                                arrayStart + 2 * i,
                                "cell skipped: its pointer is out of range");
        }
    }
    return offsets;
}

int SqliteCarver::childPages(std::span<const std::uint8_t> page,
                             std::uint32_t index,
                             const std::vector<std::uint32_t>& cells,
                             PageKeyMap& children) const
{
    const platform::ByteView view(page.first(std::min<std::size_t>(page.size(), m_usableSize)));
    int status = platform::kStatusOk;
    const auto add = [&](std::size_t at, std::int64_t key) {
        std::uint32_t child = 0;
        if (!view.u32be(at, child) || child == 0 || child > m_pageCount) {
            status =
                platform::corruptAt(m_diagnostics, index + 1ULL, at, "child page beyond the file");
            return;
        }
        children[child - 1] = key;
    };
    for (const std::uint32_t cell : cells) {
        std::uint64_t key = 0;
        const std::size_t length = view.varint(cell + std::size_t{4}, key);
        add(cell, length == 0 ? 0 : static_cast<std::int64_t>(key));
    }
    add(headerOffset(index) + 8, -1);
    return status;
}

int SqliteCarver::collectTreePages(std::uint32_t root,
                                   std::vector<std::uint32_t>& leaves,
                                   std::vector<std::uint32_t>& interiors) const
{
    std::unordered_set<std::uint32_t> visited;
    return walk(root, 0, visited, leaves, interiors);
}

int SqliteCarver::walk(std::uint32_t index,
                       int depth,
                       std::unordered_set<std::uint32_t>& visited,
                       std::vector<std::uint32_t>& leaves,
                       std::vector<std::uint32_t>& interiors) const
{
    if (depth > kMaxTreeDepth) {
        return platform::failAt(
            m_diagnostics, platform::kStatusTooDeep, index + 1ULL, "b-tree too deep");
    }
    if (depth > 0 && !visited.insert(index).second) {
        return platform::failAt(
            m_diagnostics, platform::kStatusCycle, index + 1ULL, "b-tree page reached twice");
    }
    if (depth == 0) {
        visited.insert(index);
    }
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> page;
    int status = pageBytes(index, buffer, page);
    if (status != 0) {
        return status;
    }
    const std::size_t header = headerOffset(index);
    const std::uint8_t type = page[header];
    if (type == kLeafTablePage) {
        leaves.push_back(index);
        return platform::kStatusOk;
    }
    if (type != kInteriorTablePage) {
        // A table's tree holds table pages only: anything else was overwritten or is not the
        // page the parent says, and the rows under it cannot be reached.
        return platform::failAt(m_diagnostics,
                                platform::kStatusCorrupt,
                                index + 1ULL,
                                "b-tree page is not a table page");
    }
    interiors.push_back(index);
    PageKeyMap children;
    status = childPages(page, index, cellPointers(page, header), children);
    buffer.clear();
    buffer.shrink_to_fit();
    for (const auto& entry : children) {
        const int childStatus = walk(entry.first, depth + 1, visited, leaves, interiors);
        if (status == 0) {
            status = childStatus;
        }
    }
    return status;
}

} // namespace sqlitecarve
