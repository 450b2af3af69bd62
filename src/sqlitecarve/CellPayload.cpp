// Reading leaf table cells and assembling overflowing payloads.
#include "sqlitecarve/CellPayload.h"

#include "platform/ByteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>
#include <unordered_set>

namespace sqlitecarve {

std::uint64_t localPayloadSize(std::uint64_t payloadSize, std::uint32_t usableSize)
{
    const std::uint64_t maxLocal = usableSize - 35;
    if (payloadSize <= maxLocal) {
        return payloadSize;
    }
    const std::uint64_t minLocal = (std::uint64_t{usableSize - 12} * 32 / 255) - 23;
    const std::uint64_t k = minLocal + (payloadSize - minLocal) % (usableSize - 4);
    return k <= maxLocal ? k : minLocal;
}

int assembleOverflow(const SqliteCarver& carver,
                     std::uint32_t firstOverflow,
                     std::uint64_t payloadSize,
                     std::vector<std::uint8_t>& payload)
{
    const std::uint32_t perPage = carver.usableSize() - 4;
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> page;
    std::uint32_t next = firstOverflow;
    while (payload.size() < payloadSize) {
        if (next == 0) {
            return platform::kStatusTruncated;
        }
        if (next > carver.pageCount()) {
            return platform::corruptAt(carver.diagnostics(), next, "overflow page out of range");
        }
        if (!seen.insert(next).second) {
            return platform::failAt(
                carver.diagnostics(), platform::kStatusCycle, next, "overflow chain loops");
        }
        const int status = carver.readPage(next - 1, page);
        if (status != 0) {
            return status;
        }
        const std::size_t take = static_cast<std::size_t>(
            std::min<std::uint64_t>(perPage, payloadSize - payload.size()));
        payload.insert(payload.end(), page.begin() + 4, page.begin() + 4 + take);
        next = static_cast<std::uint32_t>(platform::loadBe(page.data(), 4));
    }
    return platform::kStatusOk;
}

int readTableLeafCell(const SqliteCarver& carver,
                      std::span<const std::uint8_t> page,
                      std::size_t offset,
                      CellPayload& cell)
{
    const std::span<const std::uint8_t> usable =
        page.first(std::min<std::size_t>(page.size(), carver.usableSize()));
    std::uint64_t payloadSize = 0;
    std::uint64_t rowid = 0;
    const std::size_t sizeLength = readVarint(usable, offset, payloadSize);
    const std::size_t rowidLength =
        sizeLength == 0 ? 0 : readVarint(usable, offset + sizeLength, rowid);
    if (rowidLength == 0) {
        return platform::kStatusCorrupt;
    }
    cell.payloadSize = payloadSize;
    cell.rowid = static_cast<std::int64_t>(rowid);
    cell.payloadStart = offset + sizeLength + rowidLength;
    cell.firstOverflow = 0;
    cell.assembled.clear();
    const std::uint64_t local = localPayloadSize(payloadSize, carver.usableSize());
    const bool overflows = local < payloadSize;
    const std::uint64_t localEnd = cell.payloadStart + local + (overflows ? 4 : 0);
    if (localEnd > usable.size()) {
        return platform::kStatusCorrupt;
    }
    cell.cellEnd = static_cast<std::size_t>(localEnd);
    const auto localBytes = usable.subspan(cell.payloadStart, static_cast<std::size_t>(local));
    if (!overflows) {
        cell.payload = localBytes;
        return platform::kStatusOk;
    }
    cell.firstOverflow =
        static_cast<std::uint32_t>(platform::loadBe(usable.data() + cell.payloadStart + local, 4));
    cell.assembled.assign(localBytes.begin(), localBytes.end());
    const int status = assembleOverflow(carver, cell.firstOverflow, payloadSize, cell.assembled);
    cell.payload = cell.assembled;
    return status;
}

} // namespace sqlitecarve
