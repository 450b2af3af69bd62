// Notes of the newer note store. The columns were renamed across device generations, so the
// query is built from the columns the table has.
#include "extract/NoteStore.h"

#include "extract/NotesBuilder.h"
#include "formats/NoteBody.h"
#include "formats/NoteTable.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"

#include <initializer_list>
#include <set>
#include <span>
#include <unordered_map>

namespace extract {

namespace {

// ZFOLDERTYPE of the device's "Recently Deleted" folder.
constexpr std::int64_t kTrashFolderType = 1;

// Result columns of the note query.
enum Column
{
    kTitle,
    kSnippet,
    kCreated,
    kModified,
    kData,
    kFolder,
    kFolderType,
    kAccount,
    kLocked,
    kPinned,
    kMarkedForDeletion,
};

// `alias`.column for the first of `candidates` the table has, COALESCE over all of them when
// several exist, or `fallback` when none does.
std::string pick(const std::set<std::string>& columns,
                 const char* alias,
                 std::initializer_list<const char*> candidates,
                 const char* fallback = "NULL")
{
    std::string list;
    for (const char* name : candidates) {
        if (columns.contains(name)) {
            list += (list.empty() ? "" : ", ") + std::string(alias) + "." + name;
        }
    }
    if (list.empty()) {
        return fallback;
    }
    return list.find(',') == std::string::npos ? list : "COALESCE(" + list + ")";
}

// The note query for a table with `columns`: newer generations keep the creation date in
// ZCREATIONDATE3 and the account in a higher-numbered ZACCOUNTn, so the newest is taken first.
std::string noteQuery(const std::set<std::string>& columns)
{
    const std::string modified = pick(columns, "n", {"ZMODIFICATIONDATE1"});
    const std::string account =
        pick(columns, "n", {"ZACCOUNT7", "ZACCOUNT4", "ZACCOUNT3", "ZACCOUNT2"});
    const std::string folderOwner = pick(columns, "f", {"ZOWNER"});
    return "SELECT n.ZTITLE1, " + pick(columns, "n", {"ZSNIPPET"}) + ", " +
           pick(columns, "n", {"ZCREATIONDATE3", "ZCREATIONDATE1"}) + ", " + modified +
           ", d.ZDATA, " + pick(columns, "f", {"ZTITLE2"}) + ", " +
           pick(columns, "f", {"ZFOLDERTYPE"}) + ", " + pick(columns, "a", {"ZNAME"}) + ", " +
           pick(columns, "n", {"ZISPASSWORDPROTECTED"}, "0") + ", " +
           pick(columns, "n", {"ZISPINNED"}, "0") + ", " +
           pick(columns, "n", {"ZMARKEDFORDELETION"}, "0") +
           " FROM ZICCLOUDSYNCINGOBJECT AS n LEFT JOIN ZICNOTEDATA AS d ON d.ZNOTE = n.Z_PK"
           " LEFT JOIN ZICCLOUDSYNCINGOBJECT AS f ON f.Z_PK = " +
           pick(columns, "n", {"ZFOLDER"}) +
           " LEFT JOIN ZICCLOUDSYNCINGOBJECT AS a ON a.Z_PK = COALESCE(" + account + ", " +
           folderOwner + ") ORDER BY " + modified + " DESC;";
}

// The compressed documents of the store's tables by object identifier: later generations keep
// them in ZMERGEABLEDATA1, earlier ones in ZMERGEABLEDATA.
using TableDocuments = std::unordered_map<std::string, std::string>;

// The bytes of blob column `column` of the current row.
std::span<const std::uint8_t> blobOf(sqlite3_stmt* statement, int column)
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    if (bytes == nullptr || size <= 0) {
        return {};
    }
    return {bytes, static_cast<std::size_t>(size)};
}

TableDocuments tableDocuments(sqlite3* db, const std::set<std::string>& columns)
{
    TableDocuments tables;
    const std::string data = pick(columns, "o", {"ZMERGEABLEDATA1", "ZMERGEABLEDATA"});
    if (!columns.contains("ZTYPEUTI") || !columns.contains("ZIDENTIFIER") || data == "NULL") {
        return tables;
    }
    const std::string query = "SELECT o.ZIDENTIFIER, " + data +
                              " FROM ZICCLOUDSYNCINGOBJECT AS o"
                              " WHERE o.ZTYPEUTI = 'com.apple.notes.table';";
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db, query.c_str(), statement) != SQLITE_OK) {
        return tables;
    }
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        const std::span<const std::uint8_t> blob = blobOf(statement.get(), 1);
        tables.emplace(formats::columnText(statement.get(), 0),
                       std::string(reinterpret_cast<const char*>(blob.data()), blob.size()));
    }
    return tables;
}

// The rows of the table with `identifier` as tab-separated lines, or "" when the store has no
// such table or it does not decode.
std::string tableText(const TableDocuments& tables, std::string_view identifier)
{
    const auto found = tables.find(std::string(identifier));
    std::string text;
    if (found == tables.end() ||
        formats::decodeNoteTable(
            {reinterpret_cast<const std::uint8_t*>(found->second.data()), found->second.size()},
            text) != platform::kStatusOk) {
        return {};
    }
    return text;
}

// The whole body of the note in column `column`, its tables as rows, or "" when it is missing
// or does not decode.
std::string noteBody(sqlite3_stmt* statement, int column, const TableDocuments& tables)
{
    std::string body;
    const std::span<const std::uint8_t> blob = blobOf(statement, column);
    if (blob.empty() || formats::decodeNoteBody(blob, body, [&tables](std::string_view identifier) {
                            return tableText(tables, identifier);
                        }) != platform::kStatusOk) {
        return {};
    }
    return body;
}

std::string dateText(sqlite3_stmt* statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
        return {};
    }
    return sqlitecarve::appleDateText(sqlite3_column_double(statement, column));
}

NoteRecord noteOfRow(sqlite3_stmt* statement, const TableDocuments& tables)
{
    NoteRecord note;
    note.title = cleanNoteText(formats::columnText(statement, kTitle));
    note.locked = sqlite3_column_int64(statement, kLocked) != 0;
    note.pinned = sqlite3_column_int64(statement, kPinned) != 0;
    if (!note.locked) {
        note.content = noteBody(statement, kData, tables);
        if (note.content.empty()) {
            note.content = cleanNoteText(formats::columnText(statement, kSnippet));
        }
    }
    note.created = dateText(statement, kCreated);
    note.modified = dateText(statement, kModified);
    note.date = note.modified.empty() ? note.created : note.modified;
    note.folder = formats::columnText(statement, kFolder);
    note.account = formats::columnText(statement, kAccount);
    if (sqlite3_column_int64(statement, kFolderType) == kTrashFolderType ||
        sqlite3_column_int64(statement, kMarkedForDeletion) != 0) {
        note.deleted = 1;
        note.deletedSource = "recentlyDeleted";
    }
    return note;
}

} // namespace

int readNoteStore(const std::string& path, std::vector<NoteRecord>& notes)
{
    notes.clear();
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    std::set<std::string> columns;
    // A description that does not read leaves the columns unknown; the query then fails.
    (void)formats::tableColumns(db.get(), "ZICCLOUDSYNCINGOBJECT", columns);
    const TableDocuments tables = tableDocuments(db.get(), columns);
    const std::string query = noteQuery(columns);
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db.get(), query.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        NoteRecord note = noteOfRow(statement.get(), tables);
        if (!note.title.empty() || !note.content.empty()) {
            notes.push_back(std::move(note));
        }
    }
    if (step != SQLITE_DONE) {
        notes.clear();
        return platform::kStatusQueryFailed;
    }
    return platform::kStatusOk;
}

} // namespace extract
