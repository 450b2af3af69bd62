// Reading leaf table cells and assembling overflowing payloads.
#include "sqlitecarve/CellPayload.h"

#include "platform/ByteView.h"
#include "platform/Status.h"
#include "sqlitecarve/Record.h"

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
    const std::uint64_t perPage = carver.usableSize() - 4;
    if (payloadSize > kMaxRecordBytes ||
        (payloadSize > payload.size() &&
         payloadSize - payload.size() > perPage * carver.pageCount())) {
        return platform::kStatusCorrupt;
    }
    std::unordered_set<std::uint32_t> seen;
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> page;
    std::uint32_t next = firstOverflow;
    while (payload.size() < payloadSize) {
        if (next == 0) {
            return platform::kStatusTruncated;
        }
        if (next > carver.pageCount()) {
            return platform::kStatusCorrupt;
        }
        if (!seen.insert(next).second) {
            return platform::kStatusCycle;
        }
        const int status = carver.pageBytes(next - 1, buffer, page);
        if (status != 0) {
            return status;
        }
        const platform::ByteView view(page);
        std::span<const std::uint8_t> piece;
        if (!view.u32be(0, next) ||
            !view.sub(4,
                      static_cast<std::size_t>(std::min(perPage, payloadSize - payload.size())),
                      piece)) {
            return platform::kStatusCorrupt;
        }
        payload.insert(payload.end(), piece.begin(), piece.end());
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
    const platform::ByteView view(usable);
    std::uint64_t payloadSize = 0;
    std::uint64_t rowid = 0;
    const std::size_t sizeLength = view.varint(offset, payloadSize);
    const std::size_t rowidLength = sizeLength == 0 ? 0 : view.varint(offset + sizeLength, rowid);
    if (rowidLength == 0 || payloadSize > kMaxRecordBytes) {
        return platform::kStatusCorrupt;
    }
    cell.payloadSize = payloadSize;
    cell.rowid = static_cast<std::int64_t>(rowid);
    cell.payloadStart = offset + sizeLength + rowidLength;
    cell.firstOverflow = 0;
    cell.assembled.clear();
    const std::uint64_t local = localPayloadSize(payloadSize, carver.usableSize());
    const bool overflows = local < payloadSize;
    std::span<const std::uint8_t> localBytes;
    if (!view.sub(cell.payloadStart, static_cast<std::size_t>(local), localBytes) ||
        (overflows && !view.u32be(cell.payloadStart + local, cell.firstOverflow))) {
        return platform::kStatusCorrupt;
    }
    cell.cellEnd = cell.payloadStart + static_cast<std::size_t>(local) + (overflows ? 4 : 0);
    if (!overflows) {
        cell.payload = localBytes;
        return platform::kStatusOk;
    }
    cell.assembled.assign(localBytes.begin(), localBytes.end());
    const int status = assembleOverflow(carver, cell.firstOverflow, payloadSize, cell.assembled);
    cell.payload = cell.assembled;
    return status;
}

} // namespace sqlitecarve
