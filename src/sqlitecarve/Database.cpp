// Tables, their live and recovered rows, and rows of free pages, for one database file.
#include "sqlitecarve/Database.h"

#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/PageCarver.h"

#include <unordered_set>

namespace sqlitecarve {

namespace {

// A 64-bit fingerprint of a row's values, the rowid alias column left out, so that stale
// copies of a row can be told apart from new rows without keeping every row in memory.
std::uint64_t fingerprint(const CarvedRow& row, int aliasIndex)
{
    std::uint64_t hash = 1469598103934665603ULL;
    const auto mix = [&hash](const void* data, std::size_t size) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            hash = (hash ^ bytes[i]) * 1099511628211ULL;
        }
    };
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (static_cast<int>(i) == aliasIndex) {
            continue;
        }
        const Value& value = row.values[i];
        const auto kind = static_cast<unsigned char>(value.kind);
        mix(&kind, 1);
        if (value.kind == ValueKind::Integer) {
            mix(&value.integer, sizeof value.integer);
        } else if (value.kind == ValueKind::Real) {
            mix(&value.real, sizeof value.real);
        } else {
            const std::uint64_t size = value.bytes.size();
            mix(&size, sizeof size);
            mix(value.bytes.data(), value.bytes.size());
        }
    }
    return hash;
}

bool isReadable(const TableSchema& entry)
{
    return entry.type == "table" && entry.rootPage > 0 && !entry.isVirtual && !entry.withoutRowid;
}

std::string textOf(const std::vector<Value>& values, std::size_t index)
{
    return index < values.size() && values[index].kind == ValueKind::Text ? values[index].bytes
                                                                          : std::string();
}

} // namespace

int Database::open(const std::string& path)
{
    m_schema.clear();
    m_freeRows.clear();
    m_freePagesCarved = false;
    const int status = m_carver.open(path);
    if (status != 0) {
        return status;
    }
    m_schemaStatus = readSchemaTable();
    return platform::kStatusOk;
}

int Database::readSchemaTable()
{
    TreePages pages;
    std::size_t skipped = 0;
    return readLiveRecords(
        m_carver,
        0,
        pages,
        [this](CarvedRow& row) {
            TableSchema entry;
            entry.type = textOf(row.values, 0);
            entry.name = textOf(row.values, 1);
            entry.tableName = textOf(row.values, 2);
            if (row.values.size() > 3 && row.values[3].kind == ValueKind::Integer &&
                row.values[3].integer > 0 && row.values[3].integer <= 0xffffffffLL) {
                entry.rootPage = static_cast<std::uint32_t>(row.values[3].integer);
            }
            entry.sql = textOf(row.values, 4);
            if (entry.type == "table") {
                parseCreateTable(entry.sql, entry);
            }
            m_schema.push_back(std::move(entry));
        },
        skipped);
}

std::vector<std::string> Database::tableNames() const
{
    std::vector<std::string> names;
    for (const TableSchema& entry : m_schema) {
        if (isReadable(entry)) {
            names.push_back(entry.name);
        }
    }
    return names;
}

const TableSchema* Database::findTable(std::string_view name) const
{
    for (const TableSchema& entry : m_schema) {
        if (entry.type == "table" && platform::compareAsciiNoCase(entry.name, name) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

void Database::mapColumns(const TableSchema& table, CarvedRow& row) const
{
    row.table = table.name;
    if (row.values.size() < table.columns.size()) {
        row.values.resize(table.columns.size());
    }
    const int alias = table.rowidAliasIndex();
    if (alias >= 0 && row.rowid && row.values[alias].kind == ValueKind::Null) {
        row.values[alias].kind = ValueKind::Integer;
        row.values[alias].integer = *row.rowid;
    }
}

void Database::carveFreePages()
{
    if (m_freePagesCarved) {
        return;
    }
    m_freePagesCarved = true;
    std::vector<const TableSchema*> owners;
    std::vector<RecordShape> shapes;
    for (const TableSchema& entry : m_schema) {
        if (isReadable(entry) && !entry.columns.empty()) {
            owners.push_back(&entry);
            shapes.push_back(RecordShape::fromSchema(entry));
        }
    }
    const RecordShape anyShape = RecordShape::any();
    std::vector<std::uint8_t> page;
    std::vector<CarvedRow> rows;
    const auto assign = [&](std::vector<CarvedRow>& found, int preferred) {
        for (CarvedRow& row : found) {
            int owner = -1;
            if (preferred >= 0 && shapes[preferred].acceptsRecord(row.serialTypes)) {
                owner = preferred;
            }
            for (std::size_t i = 0; owner < 0 && i < shapes.size(); ++i) {
                if (shapes[i].acceptsRecord(row.serialTypes)) {
                    owner = static_cast<int>(i);
                }
            }
            if (owner >= 0) {
                mapColumns(*owners[owner], row);
            }
            m_freeRows.push_back(std::move(row));
        }
        found.clear();
    };
    for (const std::uint32_t trunk : m_carver.freeListTrunks()) {
        if (int status = m_carver.readPage(trunk, page); status != 0) {
            m_freePagesStatus = status;
            continue;
        }
        PageCarver(m_carver, page, trunk, anyShape, PageRole::FreeTrunk).carve(rows);
        assign(rows, -1);
    }
    for (const std::uint32_t leaf : m_carver.freeListPages()) {
        if (int status = m_carver.readPage(leaf, page); status != 0) {
            m_freePagesStatus = status;
            continue;
        }
        // The cells still listed on the page tell which table it belonged to; its free space
        // is then carved with that table's shape.
        PageCarver(m_carver, page, leaf, anyShape, PageRole::FreeLeaf).carve(rows);
        std::vector<std::size_t> votes(shapes.size(), 0);
        for (const CarvedRow& row : rows) {
            for (std::size_t i = 0; i < shapes.size(); ++i) {
                if (shapes[i].acceptsRecord(row.serialTypes)) {
                    ++votes[i];
                    break;
                }
            }
        }
        int owner = -1;
        std::size_t best = 0;
        for (std::size_t i = 0; i < votes.size(); ++i) {
            if (votes[i] > best) {
                best = votes[i];
                owner = static_cast<int>(i);
            }
        }
        if (owner >= 0 && best * 2 > rows.size()) {
            rows.clear();
            PageCarver(m_carver, page, leaf, shapes[owner], PageRole::FreeLeaf).carve(rows);
            std::vector<CarvedRow> generic;
            PageCarver(m_carver, page, leaf, anyShape, PageRole::FreeLeaf).carve(generic);
            for (CarvedRow& row : generic) {
                if (!shapes[owner].acceptsRecord(row.serialTypes)) {
                    rows.push_back(std::move(row));
                }
            }
        }
        assign(rows, owner);
    }
}

int Database::readTable(std::string_view name, const RowSink& sink, const ReadOptions& options)
{
    const TableSchema* table = findTable(name);
    if (table == nullptr || !isReadable(*table)) {
        return platform::kStatusInvalid;
    }
    RecordShape shape = RecordShape::fromSchema(*table);
    const bool learnCount = shape.isAny();
    const int alias = table->rowidAliasIndex();
    std::unordered_set<std::uint64_t> seen;
    TreePages pages;
    std::size_t skipped = 0;
    std::size_t widest = 0;
    int status = readLiveRecords(
        m_carver,
        table->rootPage - 1,
        pages,
        [&](CarvedRow& row) {
            mapColumns(*table, row);
            if (options.recover) {
                shape.learn(row.serialTypes);
                widest = std::max(widest, row.serialTypes.size());
                seen.insert(fingerprint(row, alias));
            }
            sink(row);
        },
        skipped);
    if (!options.recover) {
        return status;
    }
    if (learnCount && widest > 0) {
        // No column list in the schema: records must look like the live ones.
        shape.allowed.assign(widest, kAllowAny);
        shape.minColumns = shape.maxColumns = widest;
    }
    const auto emitRecovered = [&](CarvedRow& row) {
        mapColumns(*table, row);
        if (seen.insert(fingerprint(row, alias)).second) {
            sink(row);
        }
    };
    if (!learnCount || widest > 0) {
        const int carveStatus = carveTreePages(m_carver, pages, shape, emitRecovered);
        if (status == 0) {
            status = carveStatus;
        }
    }
    carveFreePages();
    for (const CarvedRow& freeRow : m_freeRows) {
        if (freeRow.table == table->name) {
            CarvedRow row = freeRow;
            emitRecovered(row);
        }
    }
    return status != 0 ? status : m_freePagesStatus;
}

int Database::readTable(std::string_view name,
                        std::vector<CarvedRow>& rows,
                        const ReadOptions& options)
{
    return readTable(
        name, [&rows](CarvedRow& row) { rows.push_back(std::move(row)); }, options);
}

int Database::readUnownedRows(std::vector<CarvedRow>& rows)
{
    carveFreePages();
    std::unordered_set<std::uint64_t> seen;
    for (const CarvedRow& row : m_freeRows) {
        if (row.table.empty() && seen.insert(fingerprint(row, -1)).second) {
            rows.push_back(row);
        }
    }
    return m_freePagesStatus;
}

} // namespace sqlitecarve
