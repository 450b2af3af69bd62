// Notes of the newer note store.
#include "extract/NoteStore.h"

#include "extract/NotesBuilder.h"
#include "formats/NoteBody.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"

#include <span>

namespace extract {

namespace {

// The whole body of the note in column `column`, or "" when it is missing or does not decode.
std::string noteBody(sqlite3_stmt* statement, int column)
{
    const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, column));
    const int size = sqlite3_column_bytes(statement, column);
    std::string body;
    if (bytes == nullptr || size <= 0 ||
        formats::decodeNoteBody(std::span(bytes, static_cast<std::size_t>(size)), body) !=
            platform::kStatusOk) {
        return {};
    }
    return body;
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
    static constexpr const char* kQuery =
        "SELECT n.ZTITLE1, n.ZSNIPPET, n.ZCREATIONDATE1, d.ZDATA FROM ZICCLOUDSYNCINGOBJECT AS n "
        "LEFT JOIN ZICNOTEDATA AS d ON d.ZNOTE = n.Z_PK ORDER BY n.ZCREATIONDATE1 DESC;";
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db.get(), kQuery, statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        NoteRecord note;
        note.title = cleanNoteText(formats::columnText(statement.get(), 0));
        note.content = noteBody(statement.get(), 3);
        if (note.content.empty()) {
            note.content = cleanNoteText(formats::columnText(statement.get(), 1));
        }
        if (sqlite3_column_type(statement.get(), 2) != SQLITE_NULL) {
            note.date = sqlitecarve::appleDateText(sqlite3_column_double(statement.get(), 2));
        }
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
