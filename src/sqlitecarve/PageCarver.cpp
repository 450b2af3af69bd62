// Finding deleted records in the unallocated space of one page.
#include "sqlitecarve/PageCarver.h"

#include "platform/ByteView.h"
#include "platform/Text.h"
#include "sqlitecarve/CellPayload.h"
#include "sqlitecarve/Record.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>
#include <cstring>

namespace sqlitecarve {

namespace {

// Bytes of a cell before its header-size varint: a payload-size and a rowid varint, 9 bytes
// each at most.
constexpr std::size_t kMaxCellPrefix = 18;
// The free-block header a freed cell gets over its first bytes.
constexpr std::size_t kFreeblockHeader = 4;

// The size field of a free-block header at `start`: true when it lies inside `view` and
// could be a block's size (at least the header itself).
bool blockSizeAt(const platform::ByteView& view, std::size_t start, std::size_t& size)
{
    std::uint16_t value = 0;
    if (!view.u16be(start + 2, value) || value < kFreeblockHeader) {
        return false;
    }
    size = value;
    return true;
}

// The header size of a record whose serial types take `typeBytes` bytes.
std::uint64_t headerSizeFor(std::size_t typeBytes)
{
    std::uint64_t size = typeBytes + 1;
    while (varintLength(size) + typeBytes > size) {
        ++size;
    }
    return size;
}

std::size_t typeBytesOf(const std::vector<std::uint64_t>& types)
{
    std::size_t total = 0;
    for (const std::uint64_t type : types) {
        total += varintLength(type);
    }
    return total;
}

bool hasControlCharacter(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r';
    });
}

} // namespace

PageCarver::PageCarver(const SqliteCarver& carver,
                       std::span<const std::uint8_t> page,
                       std::uint32_t index,
                       const RecordShape& shape,
                       PageRole role)
    : m_carver(carver)
    , m_page(page.first(std::min<std::size_t>(page.size(), carver.usableSize())))
    , m_index(index)
    , m_shape(shape)
    , m_role(role)
    , m_used(m_page.size(), 0)
{
    mapPage();
}

void PageCarver::markUsed(std::size_t begin, std::size_t end)
{
    end = std::min(end, m_used.size());
    if (begin < end) {
        std::fill(m_used.begin() + static_cast<std::ptrdiff_t>(begin),
                  m_used.begin() + static_cast<std::ptrdiff_t>(end),
                  1);
    }
}

std::size_t PageCarver::nextUsed(std::size_t position, std::size_t end) const
{
    while (position < end && m_used[position] == 0) {
        ++position;
    }
    return position;
}

void PageCarver::mapPage()
{
    const std::size_t usable = m_page.size();
    const std::size_t header = SqliteCarver::headerOffset(m_index);
    const std::uint8_t type = header < usable ? m_page[header] : 0;
    const bool btree = type == kLeafTablePage || type == kInteriorTablePage;
    const platform::ByteView view(m_page);
    if (m_role == PageRole::FreeTrunk) {
        std::uint32_t declared = 0;
        const std::size_t listed = view.u32be(4, declared)
                                       ? std::min<std::size_t>(declared, usable / 4 - 2)
                                       : usable / 4 - 2;
        markUsed(0, 8 + 4 * listed);
        m_regions.push_back({8 + 4 * listed, usable, Origin::Freelist});
        return;
    }
    if (!btree) {
        // An index, overflow or unknown page: nothing of it is a table row.
        markUsed(0, usable);
        return;
    }
    const std::size_t headerLength = type == kInteriorTablePage ? 12 : 8;
    std::uint16_t count = 0;
    std::uint16_t firstBlock = 0;
    std::uint16_t rawContentStart = 0;
    if (!view.u16be(header + 1, firstBlock) || !view.u16be(header + 3, count) ||
        !view.u16be(header + 5, rawContentStart)) {
        markUsed(0, usable);
        return;
    }
    const std::size_t arrayEnd = std::min(usable, header + headerLength + 2 * count);
    markUsed(0, arrayEnd);
    for (const std::uint32_t cell : m_carver.cellPointers(m_page, header)) {
        std::size_t end = cell + 4;
        if (type == kLeafTablePage) {
            std::uint64_t payload = 0;
            std::uint64_t rowid = 0;
            const std::size_t a = view.varint(cell, payload);
            const std::size_t b = a == 0 ? 0 : view.varint(cell + a, rowid);
            if (b == 0) {
                continue;
            }
            const std::uint64_t local = localPayloadSize(payload, m_carver.usableSize());
            const std::uint64_t cellEnd = cell + a + b + local + (local < payload ? 4 : 0);
            end = static_cast<std::size_t>(std::min<std::uint64_t>(cellEnd, usable));
            m_liveCells.push_back(cell);
        } else {
            std::uint64_t key = 0;
            end = cell + 4 + std::max<std::size_t>(view.varint(cell + std::size_t{4}, key), 1);
        }
        markUsed(cell, end);
    }
    // Free blocks, in ascending order as the format keeps them; the chain ends at a zero link
    // read inside the page, and a link that does not rise or leaves the page ends it as damage.
    std::uint16_t block = firstBlock;
    std::size_t previous = 0;
    for (std::size_t steps = 0; block != 0 && steps < usable / 4; ++steps) {
        std::size_t size = 0;
        if (block < arrayEnd || block <= previous || !view.contains(block, kFreeblockHeader)) {
            break;
        }
        if (blockSizeAt(view, block, size) && block + size <= usable) {
            m_regions.push_back({block, block + size, Origin::Freeblock});
        }
        previous = block;
        if (!view.u16be(block, block)) {
            break;
        }
    }
    std::size_t contentStart = rawContentStart;
    if (contentStart == 0) {
        contentStart = 65536;
    }
    contentStart = std::clamp(contentStart, arrayEnd, usable);
    if (contentStart > arrayEnd) {
        m_regions.push_back({arrayEnd, contentStart, Origin::Gap});
    }
    for (std::size_t slot = arrayEnd; slot + 2 <= contentStart; slot += 2) {
        std::uint16_t pointer = 0;
        if (!view.u16be(slot, pointer) || pointer < arrayEnd || pointer >= usable) {
            break;
        }
        if (m_used[pointer] == 0) {
            m_staleHints.push_back(pointer);
        }
    }
    // Whatever is neither used nor a free block nor the gap: space between and behind cells.
    std::vector<std::uint8_t> covered(m_used);
    for (const Region& region : m_regions) {
        std::fill(covered.begin() + static_cast<std::ptrdiff_t>(region.begin),
                  covered.begin() + static_cast<std::ptrdiff_t>(region.end),
                  1);
    }
    // Most of a page is covered: the uncovered bytes are found with memchr, not byte by byte.
    std::size_t position = 0;
    while (position < usable) {
        const void* hole = std::memchr(covered.data() + position, 0, usable - position);
        if (hole == nullptr) {
            break;
        }
        const auto begin =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(hole) - covered.data());
        position = begin;
        while (position < usable && covered[position] == 0) {
            ++position;
        }
        m_regions.push_back({begin, position, Origin::Tail});
    }
}

bool PageCarver::plausible(const Hit& hit) const
{
    bool hasContent = false;
    for (std::size_t i = 0; i < hit.types.size(); ++i) {
        const std::uint64_t type = hit.types[i];
        if (type != 0 && type != 8 && type != 9) {
            hasContent = true;
        }
        const Value& value = hit.values[i];
        if (value.kind == ValueKind::Text) {
            if (!platform::isValidUtf8(value.bytes) || hasControlCharacter(value.bytes)) {
                return false;
            }
            if (m_carver.encoding() != TextEncoding::Utf8 &&
                value.bytes.find("\xef\xbf\xbd") != std::string::npos) {
                return false;
            }
        }
    }
    return hasContent;
}

bool PageCarver::buildHit(std::vector<std::uint64_t> types,
                          std::size_t payloadStart,
                          std::uint64_t headerSize,
                          std::size_t limit,
                          Hit& hit) const
{
    if (!m_shape.acceptsRecord(types)) {
        return false;
    }
    // Every length here is bounded before it is added: the contents by kMaxRecordBytes, the
    // header and its start by the page, so no sum wraps and no span leaves the page.
    std::uint64_t contentLength = 0;
    if (!contentLengthOf(types, contentLength) || headerSize > limit || payloadStart > limit) {
        return false;
    }
    const std::uint64_t payloadSize = headerSize + contentLength;
    const std::uint64_t local = localPayloadSize(payloadSize, m_carver.usableSize());
    const bool overflows = local < payloadSize;
    const std::uint64_t end = payloadStart + local + (overflows ? 4 : 0);
    if (end > limit) {
        return false;
    }
    const platform::ByteView view(m_page.first(limit));
    std::vector<std::uint8_t> assembled;
    std::span<const std::uint8_t> content;
    if (overflows) {
        std::span<const std::uint8_t> localBytes;
        std::uint32_t first = 0;
        if (local < headerSize ||
            !view.sub(payloadStart, static_cast<std::size_t>(local), localBytes) ||
            !view.u32be(payloadStart + static_cast<std::size_t>(local), first)) {
            return false;
        }
        assembled.assign(localBytes.begin(), localBytes.end());
        if (assembleOverflow(m_carver, first, payloadSize, assembled) != 0) {
            return false;
        }
        content =
            std::span<const std::uint8_t>(assembled).subspan(static_cast<std::size_t>(headerSize));
    } else if (!view.sub(payloadStart + static_cast<std::size_t>(headerSize),
                         static_cast<std::size_t>(contentLength),
                         content)) {
        return false;
    }
    if (decodeRecordValues(types, content, m_carver.encoding(), hit.values) != 0) {
        return false;
    }
    hit.types = std::move(types);
    hit.end = static_cast<std::size_t>(end);
    return plausible(hit);
}

bool PageCarver::tryFullCell(std::size_t position, std::size_t limit, Hit& hit) const
{
    const auto bytes = m_page.first(limit);
    const platform::ByteView view(bytes);
    std::uint64_t payloadSize = 0;
    std::uint64_t rowid = 0;
    const std::size_t a = view.varint(position, payloadSize);
    const std::size_t b = a == 0 ? 0 : view.varint(position + a, rowid);
    if (b == 0 || payloadSize < 2) {
        return false;
    }
    RecordLayout layout;
    const std::size_t payloadStart = position + a + b;
    if (readRecordHeader(bytes, payloadStart, m_shape.maxColumns, layout) != 0 ||
        layout.recordSize != payloadSize) {
        return false;
    }
    hit.start = position;
    hit.rowid = static_cast<std::int64_t>(rowid);
    return buildHit(std::move(layout.serialTypes),
                    payloadStart,
                    layout.contentStart - payloadStart,
                    limit,
                    hit);
}

bool PageCarver::tryHeader(std::size_t position, std::size_t limit, Hit& hit) const
{
    // Without a table's shape a bare header is too weak a sign: only whole cells count.
    if (m_shape.isAny()) {
        return false;
    }
    RecordLayout layout;
    if (readRecordHeader(m_page.first(limit), position, m_shape.maxColumns, layout) != 0) {
        return false;
    }
    hit.start = position;
    hit.rowid.reset();
    return buildHit(
        std::move(layout.serialTypes), position, layout.contentStart - position, limit, hit);
}

bool PageCarver::followedByRecord(std::size_t end, std::size_t limit) const
{
    if (end + 3 >= limit) {
        return true;
    }
    Hit probe;
    if (tryFullCell(end, limit, probe)) {
        return true;
    }
    std::size_t size = 0;
    if (blockSizeAt(platform::ByteView(m_page), end, size) && end + size <= limit &&
        tryOverwritten(end, end + size, true, probe)) {
        return true;
    }
    return staleHeaderFollows(end, limit);
}

bool PageCarver::staleHeaderFollows(std::size_t end, std::size_t limit) const
{
    // Its size is stale (the block grew by merging, or shrank when part of it was reused),
    // so only its next-block pointer (0 or a later offset on the page) and the serial types
    // count. Live data written later may cut the types short at `limit`: those read, two at
    // least (one byte is too weak a sign), must fit.
    std::uint16_t next = 0;
    if (m_shape.isAny() || !platform::ByteView(m_page).u16be(end, next) ||
        (next != 0 && (next <= end || next >= m_page.size()))) {
        return false;
    }
    const platform::ByteView bytes(m_page.first(limit));
    const std::size_t count = m_shape.allowed.size();
    for (const std::size_t lost : {std::size_t{0}, std::size_t{1}}) {
        // Zeroed space reads as NULL types that fit any table: some type must hold bytes.
        bool fits = true;
        bool holdsBytes = false;
        std::size_t read = 0;
        std::size_t position = end + kFreeblockHeader;
        for (std::size_t column = lost; column < count && fits; ++column) {
            std::uint64_t type = 0;
            const std::size_t length = bytes.varint(position, type);
            if (length == 0) {
                break;
            }
            fits = m_shape.accepts(column, type);
            holdsBytes = holdsBytes || serialTypeContentLength(type) > 0;
            position += length;
            ++read;
        }
        if (fits && holdsBytes && count > lost && read >= std::min<std::size_t>(2, count - lost)) {
            return true;
        }
    }
    return false;
}

bool PageCarver::tryFirstTypeLost(std::size_t start,
                                  std::size_t limit,
                                  bool exactOnly,
                                  Hit& hit) const
{
    const std::size_t count = m_shape.isAny() ? 0 : m_shape.allowed.size();
    if (count < 2) {
        return false;
    }
    RecordLayout rest;
    const std::size_t typesStart = start + kFreeblockHeader;
    if (readSerialTypes(m_page.first(limit), typesStart, count - 1, rest) != 0) {
        return false;
    }
    std::uint64_t restContent = 0;
    if (!contentLengthOf(rest.serialTypes, restContent)) {
        return false;
    }
    for (std::size_t i = 0; i < rest.serialTypes.size(); ++i) {
        if (!m_shape.accepts(i + 1, rest.serialTypes[i])) {
            return false;
        }
    }
    // The candidates for the lost type: the one that makes the record end exactly at the
    // limit first, then (where a following record confirms the end) every fixed-size type.
    std::vector<std::uint64_t> candidates;
    const std::uint64_t fixedEnd = rest.contentStart + restContent;
    if (fixedEnd <= limit) {
        const std::uint64_t length = limit - fixedEnd;
        const std::uint8_t bits = m_shape.allowed[0];
        if (length == 0) {
            for (const std::uint64_t type : {0, 8, 9}) {
                candidates.push_back(type);
            }
        } else if (length <= 8 && length != 5 && length != 7) {
            candidates.push_back(length == 6 ? 5 : length == 8 ? 6 : length);
            if (length == 8 && (bits & kAllowReal) != 0) {
                candidates.insert(candidates.begin(), 7);
            }
        }
        if (length <= 57) {
            candidates.push_back(13 + 2 * length);
            candidates.push_back(12 + 2 * length);
        }
    }
    const std::size_t exactCount = candidates.size();
    if (!exactOnly) {
        for (const std::uint64_t type : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
            candidates.push_back(type);
        }
    }
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        std::vector<std::uint64_t> types;
        types.reserve(count);
        types.push_back(candidates[i]);
        types.insert(types.end(), rest.serialTypes.begin(), rest.serialTypes.end());
        const std::size_t typeBytes = typeBytesOf(types);
        const std::uint64_t headerSize = headerSizeFor(typeBytes);
        const std::size_t firstTypeStart = typesStart - varintLength(candidates[i]);
        const std::size_t sizeLength = static_cast<std::size_t>(headerSize) - typeBytes;
        if (firstTypeStart < sizeLength) {
            continue;
        }
        hit.start = start;
        hit.rowid.reset();
        if (buildHit(std::move(types), firstTypeStart - sizeLength, headerSize, limit, hit) &&
            (i < exactCount ? hit.end == limit : followedByRecord(hit.end, limit))) {
            return true;
        }
    }
    return false;
}

bool PageCarver::tryOverwritten(std::size_t start,
                                std::size_t limit,
                                bool exactOnly,
                                Hit& hit) const
{
    // The header-size varint survived behind the remains of the payload-size and rowid.
    Hit best;
    bool found = false;
    for (std::size_t q = start + kFreeblockHeader; q < limit && q <= start + kMaxCellPrefix; ++q) {
        Hit candidate;
        if (tryHeader(q, limit, candidate)) {
            if (candidate.end == limit) {
                hit = std::move(candidate);
                hit.start = start;
                return true;
            }
            if (!found) {
                best = std::move(candidate);
                found = true;
            }
        }
    }
    // The serial types begin right after the free-block header.
    const std::size_t count = m_shape.isAny() ? 0 : m_shape.allowed.size();
    Hit typed;
    bool typedFound = false;
    if (count > 0) {
        RecordLayout layout;
        const std::size_t typesStart = start + kFreeblockHeader;
        if (readSerialTypes(m_page.first(limit), typesStart, count, layout) == 0) {
            const std::size_t typeBytes = layout.contentStart - typesStart;
            const std::uint64_t headerSize = headerSizeFor(typeBytes);
            const std::size_t sizeLength = static_cast<std::size_t>(headerSize) - typeBytes;
            typed.start = start;
            typedFound = typesStart >= sizeLength && buildHit(std::move(layout.serialTypes),
                                                              typesStart - sizeLength,
                                                              headerSize,
                                                              limit,
                                                              typed);
            if (typedFound && typed.end == limit) {
                hit = std::move(typed);
                return true;
            }
        }
    }
    Hit lost;
    if (tryFirstTypeLost(start, limit, true, lost)) {
        hit = std::move(lost);
        return true;
    }
    if (exactOnly) {
        return false;
    }
    if (found) {
        hit = std::move(best);
        hit.start = start;
        return true;
    }
    if (typedFound && followedByRecord(typed.end, limit)) {
        hit = std::move(typed);
        return true;
    }
    return tryFirstTypeLost(start, limit, false, hit);
}

void PageCarver::emit(Hit& hit, Origin origin, std::vector<CarvedRow>& rows)
{
    markUsed(hit.start, hit.end);
    CarvedRow row;
    row.deleted = true;
    row.origin = m_role == PageRole::TreePage ? origin : Origin::Freelist;
    row.page = m_index + 1;
    row.offset = static_cast<std::uint32_t>(hit.start);
    row.rowid = hit.rowid;
    row.values = std::move(hit.values);
    row.serialTypes = std::move(hit.types);
    rows.push_back(std::move(row));
}

void PageCarver::scanRange(std::size_t begin,
                           std::size_t end,
                           Origin origin,
                           std::vector<CarvedRow>& rows)
{
    std::size_t position = begin;
    // The end of the free run `position` lies in: found once per run, since a hit marks only
    // bytes before the next position, so a whole free page costs one pass, not one per byte.
    std::size_t limit = begin;
    while (position + 2 < end) {
        if (m_used[position] != 0) {
            ++position;
            continue;
        }
        if (position >= limit) {
            limit = nextUsed(position, end);
        }
        Hit hit;
        std::size_t size = 0;
        if (tryFullCell(position, limit, hit) ||
            (blockSizeAt(platform::ByteView(m_page), position, size) &&
             position + size <= m_page.size() &&
             tryOverwritten(position, std::min(position + size, limit), false, hit)) ||
            tryHeader(position, limit, hit)) {
            const std::size_t next = std::max(hit.end, position + 1);
            emit(hit, origin, rows);
            position = next;
            continue;
        }
        ++position;
    }
}

void PageCarver::carveGapChain(const Region& gap, std::vector<CarvedRow>& rows)
{
    // Cells freed at the low edge of the content area keep their free-block header; walking
    // down from the content start, each one ends where the one above it begins.
    std::size_t bound = gap.end;
    for (std::size_t start = bound; start-- > gap.begin;) {
        if (start + kFreeblockHeader > bound) {
            continue;
        }
        if (m_used[start] != 0) {
            bound = start;
            continue;
        }
        std::size_t size = 0;
        if (!blockSizeAt(platform::ByteView(m_page), start, size) || start + size != bound) {
            continue;
        }
        Hit hit;
        if (tryOverwritten(start, bound, false, hit)) {
            const std::size_t hitEnd = hit.end;
            emit(hit, Origin::Gap, rows);
            scanRange(hitEnd, bound, Origin::Gap, rows);
            bound = start;
        }
    }
}

void PageCarver::carve(std::vector<CarvedRow>& rows)
{
    if (m_role == PageRole::FreeLeaf) {
        for (const std::size_t cell : m_liveCells) {
            Hit hit;
            if (tryFullCell(cell, m_page.size(), hit)) {
                emit(hit, Origin::Freelist, rows);
            }
        }
    }
    for (const Region& region : m_regions) {
        if (region.origin != Origin::Freeblock) {
            continue;
        }
        Hit hit;
        if (m_used[region.begin] == 0 && tryOverwritten(region.begin, region.end, false, hit)) {
            const std::size_t hitEnd = hit.end;
            emit(hit, Origin::Freeblock, rows);
            scanRange(hitEnd, region.end, Origin::Freeblock, rows);
        } else {
            scanRange(region.begin + kFreeblockHeader, region.end, Origin::Freeblock, rows);
        }
    }
    for (const std::size_t pointer : m_staleHints) {
        if (m_used[pointer] != 0) {
            continue;
        }
        const std::size_t limit = nextUsed(pointer, m_page.size());
        std::size_t size = 0;
        Hit hit;
        if (tryFullCell(pointer, limit, hit) ||
            (blockSizeAt(platform::ByteView(m_page), pointer, size) && pointer + size <= limit &&
             tryOverwritten(pointer, pointer + size, false, hit))) {
            emit(hit, Origin::Stale, rows);
        }
    }
    for (const Region& region : m_regions) {
        if (region.origin == Origin::Gap) {
            carveGapChain(region, rows);
            scanRange(region.begin, region.end, Origin::Gap, rows);
        }
    }
    for (const Region& region : m_regions) {
        if (region.origin == Origin::Tail || region.origin == Origin::Freelist) {
            scanRange(region.begin, region.end, region.origin, rows);
        }
    }
}

} // namespace sqlitecarve
