// Note tables: the mergeable document's entries, resolved by index, laid out on a grid.
#include "formats/NoteTable.h"

#include "formats/NoteBody.h"
#include "formats/ProtoReader.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace formats {

namespace {

constexpr std::string_view kTableType = "com.apple.notes.ICTable";
constexpr std::string_view kUuidIndexKey = "UUIDIndex";
constexpr std::uint64_t kEntryDictionary = 6;
constexpr std::uint64_t kEntryNote = 10;
constexpr std::uint64_t kEntryCustomMap = 13;
constexpr std::uint64_t kEntryOrderedSet = 16;

// A reference to a value: an integer, an entry, or both.
struct ObjectRef
{
    std::optional<std::uint64_t> integer;
    std::optional<std::uint64_t> entry;
};

using Dictionary = std::vector<std::pair<ObjectRef, ObjectRef>>;

// Where each row or column stands, by the index of its UUID.
using Places = std::unordered_map<std::uint64_t, std::size_t>;

bool readObjectRef(std::string_view bytes, ObjectRef& ref)
{
    ProtoReader reader(bytes);
    ProtoField field;
    while (reader.next(field)) {
        if (field.wireType != kWireVarint) {
            continue;
        }
        if (field.number == 2) {
            ref.integer = field.integer;
        } else if (field.number == 6) {
            ref.entry = field.integer;
        }
    }
    return !reader.failed();
}

// The elements of the dictionary message `bytes`, appended to `elements`.
bool readDictionary(std::string_view bytes, Dictionary& elements)
{
    ProtoReader reader(bytes);
    ProtoField field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number != 1 || field.wireType != kWireBytes) {
            continue;
        }
        ProtoReader element(field.bytes);
        ProtoField part;
        std::pair<ObjectRef, ObjectRef> pair;
        while (ok && element.next(part)) {
            if (part.wireType == kWireBytes && (part.number == 1 || part.number == 2)) {
                ok = readObjectRef(part.bytes, part.number == 1 ? pair.first : pair.second);
            }
        }
        ok = ok && !element.failed();
        elements.push_back(pair);
    }
    return ok && !reader.failed();
}

// The mergeable document: its entries and name tables, with what was resolved of them so far,
// so that no entry is read twice for one use however often it is referred to.
class TableDocument
{
public:
    // Reads the document's tables; false when it is damaged.
    bool read(std::string_view document)
    {
        std::optional<std::string_view> object;
        std::optional<std::string_view> data;
        if (!protoSubmessage(document, 2, object) ||
            (object && !protoSubmessage(*object, 3, data))) {
            return false;
        }
        ProtoReader reader(data.value_or(std::string_view()));
        ProtoField field;
        while (reader.next(field)) {
            if (field.wireType != kWireBytes) {
                continue;
            }
            switch (field.number) {
            case 3:
                m_entries.push_back(field.bytes);
                break;
            case 4:
                m_keys.push_back(field.bytes);
                break;
            case 5:
                m_types.push_back(field.bytes);
                break;
            case 6:
                m_uuids.try_emplace(field.bytes, m_uuidCount);
                ++m_uuidCount;
                break;
            default:
                break;
            }
        }
        return !reader.failed();
    }

    // Sets `part` to field `number` of entry `index` (nullopt when the entry or field is
    // missing); false when the entry is damaged.
    bool part(std::optional<std::uint64_t> index,
              std::uint64_t number,
              std::optional<std::string_view>& part) const
    {
        part.reset();
        if (!index || *index >= m_entries.size()) {
            return true;
        }
        return protoSubmessage(m_entries[static_cast<std::size_t>(*index)], number, part);
    }

    // The index of the entry whose custom map has the type `type`, if any.
    std::optional<std::uint64_t> findByType(std::string_view type, bool& ok) const
    {
        for (std::uint64_t i = 0; i < m_entries.size() && ok; ++i) {
            std::optional<std::string_view> map;
            ok = part(i, kEntryCustomMap, map);
            std::uint64_t typeIndex = 0;
            if (ok && map && readMapType(*map, typeIndex) && typeIndex < m_types.size() &&
                m_types[static_cast<std::size_t>(typeIndex)] == type) {
                return i;
            }
        }
        return std::nullopt;
    }

    // The map entries of the custom map `map`: key name and the object it names.
    bool mapEntries(std::string_view map,
                    std::vector<std::pair<std::string_view, ObjectRef>>& entries) const
    {
        ProtoReader reader(map);
        ProtoField field;
        bool ok = true;
        while (ok && reader.next(field)) {
            if (field.number != 3 || field.wireType != kWireBytes) {
                continue;
            }
            ProtoReader entry(field.bytes);
            ProtoField part;
            std::optional<std::uint64_t> key;
            ObjectRef value;
            while (ok && entry.next(part)) {
                if (part.number == 1 && part.wireType == kWireVarint) {
                    key = part.integer;
                } else if (part.number == 2 && part.wireType == kWireBytes) {
                    ok = readObjectRef(part.bytes, value);
                }
            }
            ok = ok && !entry.failed();
            if (key && *key < m_keys.size()) {
                entries.emplace_back(m_keys[static_cast<std::size_t>(*key)], value);
            }
        }
        return ok && !reader.failed();
    }

    // The UUID index held by the UUID object `ref` refers to (its map's "UUIDIndex" value, or
    // its first one); nullopt when it holds none.
    std::optional<std::uint64_t> uuidIndexOf(const ObjectRef& ref, bool& ok)
    {
        if (!ref.entry || *ref.entry >= m_entries.size()) {
            return std::nullopt;
        }
        if (const auto known = m_uuidIndexes.find(*ref.entry); known != m_uuidIndexes.end()) {
            return known->second;
        }
        std::optional<std::string_view> map;
        std::vector<std::pair<std::string_view, ObjectRef>> entries;
        std::optional<std::uint64_t> index;
        ok = ok && part(ref.entry, kEntryCustomMap, map) && (!map || mapEntries(*map, entries));
        for (const auto& [key, value] : entries) {
            if (!index || key == kUuidIndexKey) {
                index = value.integer;
            }
        }
        m_uuidIndexes.emplace(*ref.entry, index);
        return index;
    }

    // The index of the UUID with these 16 bytes in the document's UUID table.
    std::optional<std::uint64_t> uuidIndex(std::string_view bytes) const
    {
        const auto found = m_uuids.find(bytes);
        return found == m_uuids.end() ? std::nullopt : std::optional(found->second);
    }

    // The text of the cell note that `ref` refers to ("" when it is not a note).
    bool cellText(const ObjectRef& ref, std::string_view& text)
    {
        text = {};
        if (!ref.entry || *ref.entry >= m_entries.size()) {
            return true;
        }
        if (const auto known = m_cells.find(*ref.entry); known != m_cells.end()) {
            text = known->second;
            return true;
        }
        std::optional<std::string_view> note;
        if (!part(ref.entry, kEntryNote, note)) {
            return false;
        }
        if (note) {
            ProtoReader reader(*note);
            ProtoField field;
            while (reader.next(field)) {
                if (field.number == 2 && field.wireType == kWireBytes) {
                    text = field.bytes;
                }
            }
            if (reader.failed()) {
                return false;
            }
        }
        m_cells.emplace(*ref.entry, text);
        return true;
    }

private:
    static bool readMapType(std::string_view map, std::uint64_t& type)
    {
        ProtoReader reader(map);
        ProtoField field;
        bool found = false;
        while (reader.next(field)) {
            if (field.number == 1 && field.wireType == kWireVarint && !found) {
                type = field.integer;
                found = true;
            }
        }
        return found && !reader.failed();
    }

    std::vector<std::string_view> m_entries;
    std::vector<std::string_view> m_keys;
    std::vector<std::string_view> m_types;
    std::unordered_map<std::string_view, std::uint64_t> m_uuids;
    std::uint64_t m_uuidCount = 0;
    std::unordered_map<std::uint64_t, std::optional<std::uint64_t>> m_uuidIndexes;
    std::unordered_map<std::uint64_t, std::string_view> m_cells;
};

// The places of the ordered set in entry `entry`: each UUID of its array takes the next place,
// and each UUID its contents map one of those to takes the same place. `count` is the number
// of places.
bool readPlaces(TableDocument& document,
                std::optional<std::uint64_t> entry,
                Places& places,
                std::size_t& count)
{
    std::optional<std::string_view> set;
    std::optional<std::string_view> ordering;
    std::optional<std::string_view> array;
    std::optional<std::string_view> contents;
    if (!document.part(entry, kEntryOrderedSet, set) ||
        (set && !protoSubmessage(*set, 1, ordering)) ||
        (ordering &&
         (!protoSubmessage(*ordering, 1, array) || !protoSubmessage(*ordering, 2, contents)))) {
        return false;
    }
    ProtoReader reader(array.value_or(std::string_view()));
    ProtoField field;
    bool ok = true;
    while (ok && reader.next(field)) {
        if (field.number != 2 || field.wireType != kWireBytes) {
            continue;
        }
        std::optional<std::string_view> uuid;
        ok = protoSubmessage(field.bytes, 2, uuid);
        const std::optional<std::uint64_t> index = uuid ? document.uuidIndex(*uuid) : std::nullopt;
        if (index && places.try_emplace(*index, count).second) {
            ++count;
        }
    }
    Dictionary aliases;
    ok = ok && !reader.failed() && (!contents || readDictionary(*contents, aliases));
    for (const auto& [ordered, cell] : aliases) {
        const std::optional<std::uint64_t> from = document.uuidIndexOf(ordered, ok);
        const std::optional<std::uint64_t> to = document.uuidIndexOf(cell, ok);
        const auto place = from ? places.find(*from) : places.end();
        if (to && place != places.end()) {
            places.try_emplace(*to, place->second);
        }
    }
    return ok;
}

// Appends `cell` to `out` on one line: line breaks and tabs as spaces, object marks left out.
void appendCell(std::string_view cell, std::string& out)
{
    constexpr std::string_view kObjectMark = "\xEF\xBF\xBC";
    constexpr std::string_view kLineSeparator = "\xE2\x80\xA8";
    for (std::size_t at = 0; at < cell.size();) {
        if (cell.substr(at, kObjectMark.size()) == kObjectMark) {
            at += kObjectMark.size();
        } else if (cell.substr(at, kLineSeparator.size()) == kLineSeparator) {
            out += ' ';
            at += kLineSeparator.size();
        } else {
            const char c = cell[at++];
            out += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
        }
    }
}

// The cells of the table: `columns` across, row by row; false when an entry is damaged.
bool fillGrid(TableDocument& document,
              const Dictionary& cellColumns,
              const Places& rows,
              const Places& columns,
              std::size_t columnCount,
              std::vector<std::string_view>& grid)
{
    bool ok = true;
    std::unordered_set<std::uint64_t> columnsRead;
    for (const auto& [columnKey, columnValue] : cellColumns) {
        const std::optional<std::uint64_t> uuid = document.uuidIndexOf(columnKey, ok);
        const auto column = uuid ? columns.find(*uuid) : columns.end();
        if (!ok || column == columns.end() || !columnValue.entry ||
            !columnsRead.insert(*columnValue.entry).second) {
            continue;
        }
        std::optional<std::string_view> bytes;
        Dictionary cells;
        ok = document.part(columnValue.entry, kEntryDictionary, bytes) &&
             (!bytes || readDictionary(*bytes, cells));
        for (std::size_t i = 0; ok && i < cells.size(); ++i) {
            const std::optional<std::uint64_t> rowUuid = document.uuidIndexOf(cells[i].first, ok);
            const auto row = rowUuid ? rows.find(*rowUuid) : rows.end();
            std::string_view text;
            if (ok && row != rows.end()) {
                ok = document.cellText(cells[i].second, text);
                grid[row->second * columnCount + column->second] = text;
            }
        }
        if (!ok) {
            return false;
        }
    }
    return ok;
}

} // namespace

int renderNoteTable(std::string_view document, std::string& text)
{
    text.clear();
    TableDocument table;
    bool ok = table.read(document);
    const std::optional<std::uint64_t> root = ok ? table.findByType(kTableType, ok) : std::nullopt;
    if (!ok) {
        return platform::kStatusCorrupt;
    }
    if (!root) {
        return platform::kStatusUnsupported;
    }
    std::optional<std::string_view> map;
    std::vector<std::pair<std::string_view, ObjectRef>> parts;
    if (!table.part(root, kEntryCustomMap, map) || !map || !table.mapEntries(*map, parts)) {
        return platform::kStatusCorrupt;
    }
    Places rows;
    Places columns;
    std::size_t rowCount = 0;
    std::size_t columnCount = 0;
    Dictionary cellColumns;
    for (const auto& [name, ref] : parts) {
        std::optional<std::string_view> bytes;
        if (name == "crRows") {
            ok = ok && readPlaces(table, ref.entry, rows, rowCount);
        } else if (name == "crColumns") {
            ok = ok && readPlaces(table, ref.entry, columns, columnCount);
        } else if (name == "cellColumns") {
            ok = ok && table.part(ref.entry, kEntryDictionary, bytes) &&
                 (!bytes || readDictionary(*bytes, cellColumns));
        }
    }
    if (!ok) {
        return platform::kStatusCorrupt;
    }
    if (columnCount != 0 && rowCount > kMaxNoteTableCells / columnCount) {
        return platform::kStatusUnsupported;
    }
    std::vector<std::string_view> grid(rowCount * columnCount);
    if (!fillGrid(table, cellColumns, rows, columns, columnCount, grid)) {
        return platform::kStatusCorrupt;
    }
    for (std::size_t row = 0; row < rowCount; ++row) {
        for (std::size_t column = 0; column < columnCount; ++column) {
            const std::string_view cell = grid[row * columnCount + column];
            if (!platform::isValidUtf8(cell)) {
                text.clear();
                return platform::kStatusCorrupt;
            }
            text += column == 0 ? (row == 0 ? "" : "\n") : "\t";
            appendCell(cell, text);
            if (text.size() > kMaxNoteTableText) {
                text.clear();
                return platform::kStatusUnsupported;
            }
        }
    }
    return platform::kStatusOk;
}

int decodeNoteTable(std::span<const std::uint8_t> blob, std::string& text)
{
    text.clear();
    std::string document;
    if (const int inflated = inflateNoteData(blob, document); inflated != platform::kStatusOk) {
        return inflated;
    }
    return renderNoteTable(document, text);
}

} // namespace formats
