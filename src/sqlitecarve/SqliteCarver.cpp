// Opening a database file, reading its header, pages and free list, and walking table b-trees.
#include "sqlitecarve/SqliteCarver.h"

#include "platform/ByteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>

namespace sqlitecarve {

namespace {

constexpr std::size_t kHeaderBytes = 100;
constexpr char kMagic[] = "sqlite format 3";

std::uint32_t be16(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return offset + 2 <= bytes.size()
               ? static_cast<std::uint32_t>(platform::loadBe(bytes.data() + offset, 2))
               : 0;
}

std::uint32_t be32(std::span<const std::uint8_t> bytes, std::size_t offset)
{
    return offset + 4 <= bytes.size()
               ? static_cast<std::uint32_t>(platform::loadBe(bytes.data() + offset, 4))
               : 0;
}

} // namespace

int SqliteCarver::open(const std::string& path)
{
    m_file.close();
    m_freeListPages.clear();
    m_freeListTrunks.clear();
    m_freeListStatus = 0;
    m_pageSize = m_usableSize = m_pageCount = 0;
    int status = m_file.openRead(path);
    if (status != 0) {
        return status;
    }
    status = m_file.size(m_fileSize);
    if (status != 0) {
        m_file.close();
        return status;
    }
    std::uint8_t header[kHeaderBytes] = {};
    std::size_t got = 0;
    status = readAt(0, kHeaderBytes, header, got);
    if (got < 16) {
        m_file.close();
        return status == 0 ? platform::kStatusShortRead : status;
    }
    for (std::size_t i = 0; i < 16; ++i) {
        const auto c = static_cast<unsigned char>(header[i]);
        const auto lower = static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
        if (lower != static_cast<unsigned char>(kMagic[i])) {
            m_file.close();
            return platform::failAt(m_diagnostics, platform::kStatusInvalid, 0, "bad magic");
        }
    }
    if (got < kHeaderBytes) {
        m_file.close();
        return platform::kStatusShortRead;
    }
    const std::span<const std::uint8_t> bytes(header, kHeaderBytes);
    std::uint32_t pageSize = be16(bytes, 16);
    if (pageSize == 1) {
        pageSize = 65536;
    }
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        m_file.close();
        return platform::failAt(m_diagnostics, platform::kStatusInvalid, 0, "bad page size");
    }
    const std::uint32_t reserved = header[20];
    if (pageSize - reserved < 480) {
        m_file.close();
        return platform::failAt(m_diagnostics, platform::kStatusInvalid, 0, "bad reserved size");
    }
    m_pageSize = pageSize;
    m_usableSize = pageSize - reserved;
    m_pageCount =
        static_cast<std::uint32_t>(std::min<std::uint64_t>(m_fileSize / pageSize, 0xffffffffULL));
    const std::uint32_t encoding = be32(bytes, 56);
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
    if (!m_file.isOpen()) {
        return platform::kStatusInvalid;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (got < length) {
        const std::size_t piece = std::min<std::size_t>(length - got, 65536);
        std::size_t arrived = 0;
        const int status = m_file.readAt(offset + got, out + got, piece, arrived);
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
    return readAt(std::uint64_t{index} * m_pageSize, m_pageSize, page.data(), got);
}

int SqliteCarver::readFreeList()
{
    std::vector<std::uint8_t> header(kHeaderBytes);
    std::size_t got = 0;
    int status = readAt(0, kHeaderBytes, header.data(), got);
    if (status != 0) {
        return status;
    }
    std::uint32_t trunk = be32(header, 32);
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> page;
    const std::uint32_t maxLeaves = m_usableSize / 4 - 2;
    while (trunk != 0) {
        if (trunk > m_pageCount) {
            return platform::corruptAt(m_diagnostics, trunk, "free-list trunk beyond the file");
        }
        if (!seen.insert(trunk).second) {
            return platform::failAt(
                m_diagnostics, platform::kStatusCycle, trunk, "free-list trunk chain loops");
        }
        status = readPage(trunk - 1, page);
        if (status != 0) {
            return status;
        }
        m_freeListTrunks.push_back(trunk - 1);
        const std::uint32_t count = std::min(be32(page, 4), maxLeaves);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t leaf = be32(page, 8 + 4 * std::size_t{i});
            if (leaf >= 1 && leaf <= m_pageCount && seen.insert(leaf).second) {
                m_freeListPages.push_back(leaf - 1);
            }
        }
        trunk = be32(page, 0);
    }
    return platform::kStatusOk;
}

std::vector<std::uint32_t> SqliteCarver::cellPointers(std::span<const std::uint8_t> page,
                                                      std::size_t header) const
{
    std::vector<std::uint32_t> offsets;
    if (header + 8 > page.size()) {
        return offsets;
    }
    const std::uint8_t type = page[header];
    const std::size_t arrayStart =
        header + ((type == kInteriorTablePage || type == kInteriorIndexPage) ? 12 : 8);
    const std::size_t usable = std::min<std::size_t>(m_usableSize, page.size());
    if (arrayStart >= usable) {
        return offsets;
    }
    const std::size_t count =
        std::min<std::size_t>(be16(page, header + 3), (usable - arrayStart) / 2);
    const std::size_t arrayEnd = arrayStart + 2 * count;
    offsets.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t offset = be16(page, arrayStart + 2 * i);
        if (offset >= arrayEnd && offset < usable) {
            offsets.push_back(offset);
        }
    }
    return offsets;
}

int SqliteCarver::childPages(std::span<const std::uint8_t> page,
                             std::size_t header,
                             const std::vector<std::uint32_t>& cells,
                             PageKeyMap& children) const
{
    int status = platform::kStatusOk;
    const auto add = [&](std::uint32_t child, std::int64_t key) {
        if (child == 0 || child > m_pageCount) {
            status = platform::corruptAt(m_diagnostics, child, "child page beyond the file");
            return;
        }
        children[child - 1] = key;
    };
    for (const std::uint32_t cell : cells) {
        if (cell + 4 > page.size()) {
            continue;
        }
        std::uint64_t key = 0;
        const std::size_t length = readVarint(page.first(m_usableSize), cell + 4, key);
        add(be32(page, cell), length == 0 ? 0 : static_cast<std::int64_t>(key));
    }
    add(be32(page, header + 8), -1);
    return status;
}

int SqliteCarver::collectLiveCells(std::span<const std::uint8_t> page,
                                   std::uint32_t index,
                                   PageCellMap& cells) const
{
    std::unordered_set<std::uint32_t> visited;
    visited.insert(index);
    const std::size_t header = headerOffset(index);
    if (header >= page.size()) {
        return platform::kStatusCorrupt;
    }
    if (page[header] == kLeafTablePage) {
        cells[index] = cellPointers(page, header);
        return platform::kStatusOk;
    }
    if (page[header] != kInteriorTablePage) {
        return platform::kStatusOk;
    }
    PageKeyMap children;
    int status = childPages(page, header, cellPointers(page, header), children);
    for (const auto& entry : children) {
        const int childStatus = walk(entry.first, 1, visited, &cells, nullptr, nullptr);
        if (status == 0) {
            status = childStatus;
        }
    }
    return status;
}

int SqliteCarver::collectTreePages(std::uint32_t root,
                                   std::vector<std::uint32_t>& leaves,
                                   std::vector<std::uint32_t>& interiors) const
{
    std::unordered_set<std::uint32_t> visited;
    return walk(root, 0, visited, nullptr, &leaves, &interiors);
}

int SqliteCarver::walk(std::uint32_t index,
                       int depth,
                       std::unordered_set<std::uint32_t>& visited,
                       PageCellMap* cells,
                       std::vector<std::uint32_t>* leaves,
                       std::vector<std::uint32_t>* interiors) const
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
    std::vector<std::uint8_t> page;
    int status = readPage(index, page);
    if (status != 0) {
        return status;
    }
    const std::size_t header = headerOffset(index);
    const std::uint8_t type = page[header];
    if (type == kLeafTablePage) {
        if (cells != nullptr) {
            (*cells)[index] = cellPointers(page, header);
        }
        if (leaves != nullptr) {
            leaves->push_back(index);
        }
        return platform::kStatusOk;
    }
    if (type != kInteriorTablePage) {
        return platform::kStatusOk;
    }
    if (interiors != nullptr) {
        interiors->push_back(index);
    }
    PageKeyMap children;
    status = childPages(page, header, cellPointers(page, header), children);
    page.clear();
    page.shrink_to_fit();
    for (const auto& entry : children) {
        const int childStatus = walk(entry.first, depth + 1, visited, cells, leaves, interiors);
        if (status == 0) {
            status = childStatus;
        }
    }
    return status;
}

} // namespace sqlitecarve
