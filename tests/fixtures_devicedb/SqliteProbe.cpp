// Read-only SQLite probes for the device database tests.
#include "SqliteProbe.h"

#include "support/SharedFixtures.h"

#include <sqlite3.h>

namespace devicedbtest {
namespace {

// Opens `path` read-only and immutable, so that a probe never writes beside the file.
sqlite3* openReadOnly(const std::string& path)
{
    sqlite3* db = nullptr;
    const std::string uri = "file:" + path + "?immutable=1";
    if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

template <typename Read> bool firstRow(const std::string& path, const std::string& sql, Read read)
{
    sqlite3* db = openReadOnly(path);
    if (db == nullptr) {
        return false;
    }
    sqlite3_stmt* statement = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        read(statement);
        found = true;
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return found;
}

} // namespace

std::vector<std::string> tableColumns(const std::string& path, const std::string& table)
{
    std::vector<std::string> columns;
    sqlite3* db = openReadOnly(path);
    if (db == nullptr) {
        return columns;
    }
    sqlite3_stmt* statement = nullptr;
    const std::string sql = "PRAGMA table_info('" + table + "')";
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* name = sqlite3_column_text(statement, 1);
            columns.emplace_back(name != nullptr ? reinterpret_cast<const char*>(name) : "");
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return columns;
}

std::optional<std::string> queryText(const std::string& path, const std::string& sql)
{
    std::string text;
    const bool found = firstRow(path, sql, [&text](sqlite3_stmt* statement) {
        const unsigned char* value = sqlite3_column_text(statement, 0);
        const int size = sqlite3_column_bytes(statement, 0);
        if (value != nullptr) {
            text.assign(reinterpret_cast<const char*>(value), static_cast<std::size_t>(size));
        }
    });
    return found ? std::optional<std::string>(text) : std::nullopt;
}

std::optional<std::int64_t> queryInt(const std::string& path, const std::string& sql)
{
    std::int64_t value = 0;
    const bool found = firstRow(path, sql, [&value](sqlite3_stmt* statement) {
        value = sqlite3_column_int64(statement, 0);
    });
    return found ? std::optional<std::int64_t>(value) : std::nullopt;
}

std::string fileBytes(const std::string& path)
{
    return testsupport::readFileBytes(path);
}

bool contains(const std::string& haystack, const std::string& needle)
{
    return haystack.find(needle) != std::string::npos;
}

} // namespace devicedbtest
