// Live records of a table b-tree, and recovery on its pages.
#include "sqlitecarve/TreeReader.h"

#include "platform/Status.h"
#include "sqlitecarve/CellPayload.h"
#include "sqlitecarve/PageCarver.h"
#include "sqlitecarve/Record.h"

namespace sqlitecarve {

int readLiveRecords(const SqliteCarver& carver,
                    std::uint32_t root,
                    TreePages& pages,
                    const std::vector<bool>& decode,
                    const LiveRowSink& sink,
                    std::size_t& skipped)
{
    const int walkStatus = carver.collectTreePages(root, pages.leaves, pages.interiors);
    std::vector<std::uint8_t> page;
    CellPayload cell;
    RecordLayout layout;
    CarvedRow row;
    for (const std::uint32_t leaf : pages.leaves) {
        const int status = carver.readPage(leaf, page);
        if (status != 0) {
            return status;
        }
        for (const std::uint32_t offset :
             carver.cellPointers(page, SqliteCarver::headerOffset(leaf))) {
            if (readTableLeafCell(carver, page, offset, cell) != 0 ||
                readRecordHeader(cell.payload, 0, kMaxColumns, layout) != 0 ||
                layout.recordSize > cell.payload.size()) {
                ++skipped;
                continue;
            }
            const auto content = cell.payload.subspan(layout.contentStart);
            if (decodeRecordValues(
                    layout.serialTypes, content, carver.encoding(), decode, row.values) != 0) {
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
    return walkStatus;
}

int carveTreePages(const SqliteCarver& carver,
                   const TreePages& pages,
                   const RecordShape& shape,
                   const RowSink& sink)
{
    std::vector<std::uint8_t> page;
    std::vector<CarvedRow> rows;
    int result = platform::kStatusOk;
    for (const auto* list : {&pages.leaves, &pages.interiors}) {
        for (const std::uint32_t index : *list) {
            const int status = carver.readPage(index, page);
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
