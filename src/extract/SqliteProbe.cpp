// Read-only probes through the SQLite library.
#include "extract/SqliteProbe.h"

#include "extract/DeviceTables.h"
#include "extract/NotesBuilder.h"
#include "platform/Status.h"

#include <memory>
#include <sqlite3.h>

namespace extract {

namespace {

// A file: URI for `path` with the characters that URIs reserve escaped.
std::string immutableUri(const std::string& path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '%' || c == '?' || c == '#' || byte < 0x20) {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 0x0F];
        } else {
            uri += c;
        }
    }
    return uri + "?immutable=1";
}

struct Closer
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

struct StatementFinalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

using Connection = std::unique_ptr<sqlite3, Closer>;

int openImmutable(const std::string& path, Connection& db)
{
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(
        immutableUri(path).c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    db.reset(raw);
    return opened;
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = sqlite3_column_text(statement, column);
    return text != nullptr
               ? std::string(reinterpret_cast<const char*>(text),
                             static_cast<std::size_t>(sqlite3_column_bytes(statement, column)))
               : std::string();
}

} // namespace

int probeQuery(const std::string& path, const std::string& sql, int& columns)
{
    Connection db;
    if (const int opened = openImmutable(path, db); opened != SQLITE_OK) {
        return opened;
    }
    char* message = nullptr;
    const int status = sqlite3_exec(
        db.get(),
        sql.c_str(),
        [](void* user, int count, char**, char**) {
            *static_cast<int*>(user) = count;
            return 0;
        },
        &columns,
        &message);
    if (message != nullptr) {
        sqlite3_free(message);
    }
    return status == SQLITE_OK ? platform::kStatusOk : platform::kStatusQueryFailed;
}

int readNoteStore(const std::string& path, std::vector<NoteRecord>& notes)
{
    notes.clear();
    Connection db;
    if (const int opened = openImmutable(path, db); opened != SQLITE_OK) {
        return opened;
    }
    static constexpr const char* kQuery =
        "SELECT ZTITLE1, ZSNIPPET, ZCREATIONDATE1 FROM ZICCLOUDSYNCINGOBJECT "
        "ORDER BY ZCREATIONDATE1 DESC;";
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db.get(), kQuery, -1, &raw, nullptr) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        NoteRecord note;
        note.title = columnText(statement.get(), 0);
        note.content = columnText(statement.get(), 1);
        if (sqlite3_column_type(statement.get(), 2) != SQLITE_NULL) {
            note.date = appleDateText(sqlite3_column_double(statement.get(), 2));
        }
        if (!note.title.empty() || !note.content.empty()) {
            cleanNote(note);
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
