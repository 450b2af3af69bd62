// The read-only opener and its URI.
#include "SqliteReader.h"

#include "platform/Status.h"
#include "platform/Text.h"

namespace formats {

std::string sqliteFileUri(std::string_view path)
{
    return (path.starts_with('/') ? "file://" : "file:") + platform::percentEncodePath(path);
}

int openReadOnly(const std::string& path, SqliteOpen mode, SqliteHandle& db)
{
    db.reset();
    if (path.empty()) {
        return SQLITE_CANTOPEN;
    }
    std::string uri = sqliteFileUri(path);
    if (mode == SqliteOpen::Immutable) {
        uri += "?immutable=1";
    }
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(uri.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    db.reset(raw);
    if (opened != SQLITE_OK) {
        db.reset();
    }
    return opened;
}

int prepareStatement(sqlite3* db, const char* sql, SqliteStatement& statement)
{
    sqlite3_stmt* raw = nullptr;
    const int prepared = sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
    statement.reset(raw);
    if (prepared != SQLITE_OK) {
        statement.reset();
    }
    return prepared;
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const auto* text = sqlite3_column_text(statement, column);
    if (text == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char*>(text),
            static_cast<std::size_t>(sqlite3_column_bytes(statement, column))};
}

int tableColumns(sqlite3* db, std::string_view table, std::set<std::string>& names)
{
    SqliteStatement statement;
    const std::string sql = "PRAGMA table_info(\"" + std::string(table) + "\");";
    if (prepareStatement(db, sql.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        names.insert(columnText(statement.get(), 1));
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

} // namespace formats
