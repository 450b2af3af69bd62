// Read-only probes through the SQLite library.
#include "extract/SqliteProbe.h"

#include "extract/NotesBuilder.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"

namespace extract {

int probeQuery(const std::string& path, const std::string& sql, int& columns)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
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
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    static constexpr const char* kQuery =
        "SELECT ZTITLE1, ZSNIPPET, ZCREATIONDATE1 FROM ZICCLOUDSYNCINGOBJECT "
        "ORDER BY ZCREATIONDATE1 DESC;";
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db.get(), kQuery, statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        NoteRecord note;
        note.title = formats::columnText(statement.get(), 0);
        note.content = formats::columnText(statement.get(), 1);
        if (sqlite3_column_type(statement.get(), 2) != SQLITE_NULL) {
            note.date = sqlitecarve::appleDateText(sqlite3_column_double(statement.get(), 2));
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
