// Tables, their live and recovered rows, and rows of free pages, for one database file.
#include "sqlitecarve/Database.h"

#include "platform/ByteView.h"
#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/FingerprintSet.h"
#include "sqlitecarve/PageCarver.h"
#include "sqlitecarve/Record.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>

namespace sqlitecarve {

namespace {

// A 64-bit fingerprint of a row's values, the rowid alias column left out, so that stale
// copies of a row can be told apart from new rows without keeping every row in memory. Equal
// values give equal fingerprints however they were stored (integer 1 as type 1 or type 9).
class RowFingerprint
{
public:
    void add(ValueKind kind, std::int64_t integer, double real, std::string_view bytes)
    {
        mixWord(static_cast<std::uint64_t>(kind));
        if (kind == ValueKind::Integer) {
            mixWord(static_cast<std::uint64_t>(integer));
        } else if (kind == ValueKind::Real) {
            mixWord(std::bit_cast<std::uint64_t>(real));
        } else {
            mixWord(bytes.size());
            std::size_t i = 0;
            for (; i + 8 <= bytes.size(); i += 8) {
                std::uint64_t word = 0;
                std::memcpy(&word, bytes.data() + i, 8);
                mixWord(word);
            }
            std::uint64_t tail = 0;
            if (i < bytes.size()) {
                std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
            }
            mixWord(tail);
        }
    }

    void add(const Value& value) { add(value.kind, value.integer, value.real, value.bytes); }

    std::uint64_t value() const { return m_hash ^ (m_hash >> 29); }

private:
    void mixWord(std::uint64_t word)
    {
        m_hash = (m_hash ^ (word * 0x9e3779b97f4a7c15ULL)) * 0xff51afd7ed558ccdULL;
        m_hash ^= m_hash >> 32;
    }

    std::uint64_t m_hash = 1469598103934665603ULL;
};

// The fingerprint of a row already decoded and mapped onto its table's columns.
std::uint64_t fingerprint(const CarvedRow& row, int aliasIndex)
{
    RowFingerprint hash;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (static_cast<int>(i) != aliasIndex) {
            hash.add(row.values[i]);
        }
    }
    return hash.value();
}

// The fingerprint the row of a live record will have once mapped onto `table`, taken from
// the record's content without keeping its values: REAL columns read integers as reals and
// columns missing from the record read as NULL, as mapColumns makes them.
std::uint64_t fingerprintRecord(const std::vector<std::uint64_t>& types,
                                std::span<const std::uint8_t> content,
                                TextEncoding encoding,
                                const TableSchema& table,
                                int aliasIndex,
                                Value& scratch)
{
    RowFingerprint hash;
    std::size_t position = 0;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const std::uint64_t type = types[i];
        const auto length = static_cast<std::size_t>(serialTypeContentLength(type));
        std::span<const std::uint8_t> bytes;
        if (!platform::ByteView(content).sub(position, length, bytes)) {
            break;
        }
        position += length;
        if (static_cast<int>(i) == aliasIndex) {
            continue;
        }
        const bool realColumn =
            i < table.columns.size() && table.columns[i].affinity == Affinity::Real;
        if (type >= 12 && (type % 2 == 0 || encoding == TextEncoding::Utf8)) {
            hash.add(type % 2 == 0 ? ValueKind::Blob : ValueKind::Text,
                     0,
                     0.0,
                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
            continue;
        }
        if (type >= 1 && type <= 6) {
            // Big-endian two's complement of 1 to 8 bytes, decoded here rather than through
            // a Value: most columns of a row are integers.
            std::uint64_t raw = 0;
            for (const std::uint8_t byte : bytes) {
                raw = (raw << 8) | byte;
            }
            if (length < 8 && (raw >> (length * 8 - 1)) != 0) {
                raw |= ~((std::uint64_t{1} << (length * 8)) - 1);
            }
            const auto integer = static_cast<std::int64_t>(raw);
            if (realColumn) {
                hash.add(ValueKind::Real, 0, static_cast<double>(integer), {});
            } else {
                hash.add(ValueKind::Integer, integer, 0.0, {});
            }
            continue;
        }
        if (decodeValue(type, bytes, encoding, scratch) != 0) {
            scratch.kind = ValueKind::Null;
        }
        if (realColumn && scratch.kind == ValueKind::Integer) {
            scratch.kind = ValueKind::Real;
            scratch.real = static_cast<double>(scratch.integer);
        }
        hash.add(scratch);
    }
    for (std::size_t i = types.size(); i < table.columns.size(); ++i) {
        if (static_cast<int>(i) != aliasIndex) {
            hash.add(ValueKind::Null, 0, 0.0, {});
        }
    }
    return hash.value();
}

// How many live fingerprints are gathered before they go into the set together.
constexpr std::size_t kLiveBatch = 4096;

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

void Database::reset(platform::Diagnostics* faults)
{
    m_schema.clear();
    m_schemaStatus = 0;
    m_freeRows.clear();
    m_freePagesCarved = false;
    m_freePagesStatus = 0;
    m_carver.setDiagnostics(faults);
}

int Database::open(const std::string& path, platform::Diagnostics* faults)
{
    reset(faults);
    const int status = m_carver.open(path);
    if (status != 0) {
        return status;
    }
    m_schemaStatus = readSchemaTable();
    return platform::kStatusOk;
}

int Database::open(const platform::ReadSource& source, platform::Diagnostics* faults)
{
    reset(faults);
    const int status = m_carver.open(source);
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
        {},
        [this](CarvedRow& row, std::span<const std::uint8_t>) {
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

void Database::findRootPages(std::string_view name, PageKeyMap& roots) const
{
    for (const TableSchema& entry : m_schema) {
        if (entry.rootPage > 0 && entry.rootPage <= m_carver.pageCount() &&
            (platform::compareAsciiNoCase(entry.name, name) == 0 ||
             platform::compareAsciiNoCase(entry.tableName, name) == 0)) {
            roots[entry.rootPage - 1] = -1;
        }
    }
}

void Database::mapColumns(const TableSchema& table, CarvedRow& row) const
{
    row.table = table.name;
    if (row.values.size() < table.columns.size()) {
        row.values.resize(table.columns.size());
    }
    // The file stores whole reals of REAL columns as integers; they read back as reals.
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        Value& value = row.values[i];
        if (table.columns[i].affinity == Affinity::Real && value.kind == ValueKind::Integer) {
            value.kind = ValueKind::Real;
            value.real = static_cast<double>(value.integer);
        }
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
    // Candidate owners: the current tables, then the shapes of whole records that fit none
    // of them (tables dropped since), grouped by column count.
    std::vector<const TableSchema*> owners;
    std::vector<RecordShape> shapes;
    for (const TableSchema& entry : m_schema) {
        if (isReadable(entry) && !entry.columns.empty()) {
            owners.push_back(&entry);
            shapes.push_back(RecordShape::fromSchema(entry));
        }
    }
    const std::size_t tableShapes = shapes.size();
    const auto firstFitting = [&](const std::vector<std::uint64_t>& types, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            if (shapes[i].acceptsRecord(types)) {
                return static_cast<int>(i);
            }
        }
        return -1;
    };

    struct FreePage
    {
        std::uint32_t index;
        PageRole role;
        std::vector<CarvedRow> cells;
    };

    std::vector<FreePage> pages;
    for (const std::uint32_t trunk : m_carver.freeListTrunks()) {
        pages.push_back({trunk, PageRole::FreeTrunk, {}});
    }
    for (const std::uint32_t leaf : m_carver.freeListPages()) {
        pages.push_back({leaf, PageRole::FreeLeaf, {}});
    }
    const RecordShape anyShape = RecordShape::any();
    std::vector<std::uint8_t> buffer;
    std::span<const std::uint8_t> page;
    std::map<std::size_t, std::vector<std::vector<std::uint64_t>>> orphanTypes;
    for (FreePage& freePage : pages) {
        if (int status = m_carver.pageBytes(freePage.index, buffer, page); status != 0) {
            m_freePagesStatus = status;
            continue;
        }
        PageCarver(m_carver, page, freePage.index, anyShape, freePage.role).carve(freePage.cells);
        for (const CarvedRow& cell : freePage.cells) {
            if (firstFitting(cell.serialTypes, tableShapes) < 0) {
                orphanTypes[cell.serialTypes.size()].push_back(cell.serialTypes);
            }
        }
    }
    for (const auto& group : orphanTypes) {
        shapes.push_back(RecordShape::inferred(group.second));
    }
    std::vector<CarvedRow> rows;
    for (FreePage& freePage : pages) {
        if (m_carver.pageBytes(freePage.index, buffer, page) != 0) {
            continue;
        }
        // The whole cells left on the page tell whose page it was; a page without any is
        // carved with each candidate shape and keeps the one that finds most.
        std::vector<std::size_t> votes(shapes.size(), 0);
        for (const CarvedRow& cell : freePage.cells) {
            const int fit = firstFitting(cell.serialTypes, shapes.size());
            if (fit >= 0) {
                ++votes[static_cast<std::size_t>(fit)];
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
        rows.clear();
        if (owner >= 0) {
            PageCarver(m_carver, page, freePage.index, shapes[owner], freePage.role).carve(rows);
        } else if (freePage.cells.empty()) {
            for (std::size_t i = 0; i < shapes.size(); ++i) {
                std::vector<CarvedRow> trial;
                PageCarver(m_carver, page, freePage.index, shapes[i], freePage.role).carve(trial);
                if (trial.size() > rows.size()) {
                    rows = std::move(trial);
                    owner = static_cast<int>(i);
                }
            }
        }
        for (CarvedRow& cell : freePage.cells) {
            if (owner < 0 || !shapes[owner].acceptsRecord(cell.serialTypes)) {
                rows.push_back(std::move(cell));
            }
        }
        for (CarvedRow& row : rows) {
            int table = owner >= 0 && static_cast<std::size_t>(owner) < tableShapes &&
                                shapes[owner].acceptsRecord(row.serialTypes)
                            ? owner
                            : firstFitting(row.serialTypes, tableShapes);
            if (table >= 0) {
                mapColumns(*owners[table], row);
            }
            m_freeRows.push_back(std::move(row));
        }
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
    // Columns left out of `options.columns` are not decoded; an empty mask decodes all.
    std::vector<bool> decode;
    if (!options.columns.empty()) {
        decode.assign(1, false);
        for (const int column : options.columns) {
            if (column >= 0 && static_cast<std::size_t>(column) < kMaxColumns) {
                const auto index = static_cast<std::size_t>(column);
                decode.resize(std::max(decode.size(), index + 1));
                decode[index] = true;
            }
        }
    }
    // Fingerprints of the live rows, then with them those of the recovered rows handed out:
    // a recovered row whose fingerprint is already there is a stale copy. The live ones go in
    // a batch at a time, which lets the set fetch their slots ahead.
    std::vector<std::uint64_t> live;
    FingerprintSet seen;
    const auto addLive = [&] {
        seen.insertAll(live);
        live.clear();
    };
    TreePages pages;
    std::size_t skipped = 0;
    std::size_t widest = 0;
    Value scratch;
    int status = readLiveRecords(
        m_carver,
        table->rootPage - 1,
        pages,
        decode,
        [&](CarvedRow& row, std::span<const std::uint8_t> content) {
            if (options.recover) {
                shape.learn(row.serialTypes);
                widest = std::max(widest, row.serialTypes.size());
                live.push_back(fingerprintRecord(
                    row.serialTypes, content, m_carver.encoding(), *table, alias, scratch));
                if (live.size() == kLiveBatch) {
                    addLive();
                }
            }
            mapColumns(*table, row);
            sink(row);
        },
        skipped);
    if (!options.recover) {
        return status;
    }
    addLive();
    if (learnCount && widest > 0) {
        // No column list in the schema: records must look like the live ones.
        shape.allowed.assign(widest, kAllowAny);
        shape.minColumns = shape.maxColumns = widest;
    }
    const auto emitRecovered = [&](CarvedRow& row) {
        mapColumns(*table, row);
        if (seen.insert(fingerprint(row, alias))) {
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
    FingerprintSet seen;
    for (const CarvedRow& row : m_freeRows) {
        if (!row.table && seen.insert(fingerprint(row, -1))) {
            rows.push_back(row);
        }
    }
    return m_freePagesStatus;
}

} // namespace sqlitecarve
