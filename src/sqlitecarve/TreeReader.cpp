// Live records of a table b-tree, and recovery on its pages.
#include "sqlitecarve/TreeReader.h"

#include "platform/Diagnostics.h"
#include "platform/Status.h"
#include "sqlitecarve/CellPayload.h"
#include "sqlitecarve/PageCarver.h"
#include "sqlitecarve/Record.h"

namespace sqlitecarve {

namespace {

// Why a live cell could not be read, from its readTableLeafCell status.
const char* cellDamage(int status)
{
    switch (status) {
    case platform::kStatusCycle:
        return "cell skipped: its overflow chain loops";
    case platform::kStatusTruncated:
        return "cell skipped: its overflow chain ends early";
    case platform::kStatusCorrupt:
        return "cell skipped: it does not fit its page or its overflow chain";
    default:
        return "cell skipped: an overflow page cannot be read";
    }
}

} // namespace

int readLiveRecords(const SqliteCarver& carver,
                    std::uint32_t root,
                    TreePages& pages,
                    const std::vector<bool>& decode,
                    const LiveRowSink& sink,
                    std::size_t& skipped)
{
    int result = carver.collectTreePages(root, pages.leaves, pages.interiors);
    platform::Diagnostics* const faults = carver.diagnostics();
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> page;
    CellPayload cell;
    RecordLayout layout;
    CarvedRow row;
    for (const std::uint32_t leaf : pages.leaves) {
        const int status = carver.pageBytes(leaf, buffer, page);
        if (status != 0) {
            result = result != 0 ? result : status;
            continue;
        }
        for (const std::uint32_t offset :
             carver.cellPointers(page, SqliteCarver::headerOffset(leaf), faults, leaf)) {
            const int cellStatus = readTableLeafCell(carver, page, offset, cell);
            if (cellStatus != 0) {
                platform::corruptAt(faults, leaf + 1ULL, offset, cellDamage(cellStatus));
                ++skipped;
                continue;
            }
            if (readRecordHeader(cell.payload, 0, kMaxColumns, layout) != 0 ||
                layout.recordSize > cell.payload.size()) {
                platform::corruptAt(
                    faults, leaf + 1ULL, offset, "cell skipped: its record header is damaged");
                ++skipped;
                continue;
            }
            const auto content = cell.payload.subspan(layout.contentStart);
            if (decodeRecordValues(
                    layout.serialTypes, content, carver.encoding(), decode, row.values) != 0) {
                platform::corruptAt(
                    faults, leaf + 1ULL, offset, "cell skipped: its values do not fit the record");
                ++skipped;
                continue;
            }
            row.deleted = false;
            row.origin = Origin::Live;
            row.page = leaf + 1;
            row.offset = offset;
            row.rowid = cell.rowid;
            row.serialTypes = layout.serialTypes;
            sink(row, content);
        }
    }
    return result;
}

int carveTreePages(const SqliteCarver& carver,
                   const TreePages& pages,
                   const RecordShape& shape,
                   const RowSink& sink)
{
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> page;
    std::vector<CarvedRow> rows;
    int result = platform::kStatusOk;
    for (const auto* list : {&pages.leaves, &pages.interiors}) {
        for (const std::uint32_t index : *list) {
            const int status = carver.pageBytes(index, buffer, page);
            if (status != 0) {
                result = status;
                continue;
            }
            rows.clear();
            PageCarver(carver, page, index, shape, PageRole::TreePage).carve(rows);
            for (CarvedRow& row : rows) {
                sink(row);
            }
        }
    }
    return result;
}

} // namespace sqlitecarve
