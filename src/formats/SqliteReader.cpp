// The read-only opener and its URI.
#include "SqliteReader.h"

namespace formats {

std::string sqliteFileUri(std::string_view path)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = path.starts_with('/') ? "file://" : "file:";
    uri.reserve(uri.size() + path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '/' || byte == '-' ||
                           byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kDigits[byte >> 4];
            uri += kDigits[byte & 0x0F];
        }
    }
    return uri;
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

} // namespace formats
