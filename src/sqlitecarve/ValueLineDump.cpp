// Writing value lines of carved rows.
#include "sqlitecarve/ValueLineDump.h"

#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/Database.h"

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace sqlitecarve {

namespace {

std::string quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        out.push_back(c);
        if (c == '"' || c == '\'') {
            out.push_back(c);
        }
    }
    out.push_back('"');
    return out;
}

std::string valueEntry(const Value& value)
{
    switch (value.kind) {
    case ValueKind::Null:
        return "NULL";
    case ValueKind::Text:
        return quoted(value.bytes);
    default:
        return valueToText(value);
    }
}

bool isIdentifierText(const std::string& text)
{
    if (text.size() != 36) {
        return false;
    }
    for (const char c : text) {
        if (c < '-' || c > 'z') {
            return false;
        }
    }
    return true;
}

int writeLine(std::ofstream& out, const std::vector<std::string>& entries)
{
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out << (i == 0 ? "" : ",") << entries[i];
    }
    out << "\r\n";
    return out ? platform::kStatusOk : platform::kStatusInvalid;
}

// Opens the database and the output, then hands every row of `table` to `write`.
int dumpTable(const std::string& databasePath,
              const std::string& outputPath,
              std::string_view table,
              const std::function<int(const TableSchema&, CarvedRow&, std::ofstream&)>& write)
{
    Database db;
    int status = db.open(databasePath);
    if (status != 0) {
        return status;
    }
    const TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusInvalid;
    }
    std::ofstream out(outputPath, std::ios::binary | std::ios::app);
    if (!out) {
        return platform::statusFromErrno(errno);
    }
    int writeStatus = platform::kStatusOk;
    status = db.readTable(table, [&](CarvedRow& row) {
        if (const int rowStatus = write(*schema, row, out); rowStatus != 0) {
            writeStatus = rowStatus;
        }
    });
    return status != 0 ? status : writeStatus;
}

} // namespace

int dumpMessageLines(const std::string& databasePath,
                     const std::string& outputPath,
                     std::int64_t startId,
                     std::int64_t nowAppleSeconds)
{
    std::int64_t lastId = startId;
    return dumpTable(
        databasePath,
        outputPath,
        "message",
        [&](const TableSchema& table, CarvedRow& row, std::ofstream& out) {
            const int textColumn = table.columnIndex("text");
            if (textColumn >= 0 && static_cast<std::size_t>(textColumn) < row.values.size() &&
                row.values[textColumn].kind == ValueKind::Text &&
                !platform::isValidUtf8(row.values[textColumn].bytes)) {
                return platform::kStatusOk;
            }
            const int accountGuid = table.columnIndex("account_guid");
            if (row.deleted && accountGuid >= 0 &&
                static_cast<std::size_t>(accountGuid) < row.values.size() &&
                !isIdentifierText(row.values[accountGuid].bytes)) {
                return platform::kStatusOk;
            }
            const std::int64_t id = row.rowid.value_or(0) != 0 ? *row.rowid : ++lastId;
            std::vector<std::string> entries;
            for (const Value& value : row.values) {
                entries.push_back(valueEntry(value));
            }
            const auto set = [&](std::string_view column, std::string entry) {
                const int index = table.columnIndex(column);
                if (index >= 0 && static_cast<std::size_t>(index) < entries.size()) {
                    entries[index] = std::move(entry);
                }
            };
            const int alias = table.rowidAliasIndex();
            if (alias >= 0 && static_cast<std::size_t>(alias) < entries.size()) {
                entries[alias] = std::to_string(id);
            }
            if (row.deleted) {
                char guid[64];
                std::snprintf(guid,
                              sizeof guid,
                              "\"27B99F78-F6F0-475F-8BA1-%012X\"",
                              static_cast<unsigned>(id & 0xffffffff));
                set("guid", guid);
                const int fromMeColumn = table.columnIndex("is_from_me");
                const bool fromMe = fromMeColumn >= 0 &&
                                    static_cast<std::size_t>(fromMeColumn) < row.values.size() &&
                                    row.values[fromMeColumn].kind == ValueKind::Integer &&
                                    row.values[fromMeColumn].integer != 0;
                const std::string now = std::to_string(nowAppleSeconds);
                set("is_finished", "1");
                set("date", now);
                set("date_read", fromMe ? "0" : now);
                set("is_read", fromMe ? "0" : "1");
            }
            return writeLine(out, entries);
        });
}

int dumpContactSearchLines(const std::string& databasePath,
                           const std::string& outputPath,
                           std::int64_t startId)
{
    std::int64_t lastId = startId;
    return dumpTable(
        databasePath,
        outputPath,
        "ABPersonFullTextSearch_content",
        [&](const TableSchema& table, CarvedRow& row, std::ofstream& out) {
            std::vector<std::string> entries;
            for (const Value& value : row.values) {
                if (value.kind == ValueKind::Text && !platform::isValidUtf8(value.bytes)) {
                    return platform::kStatusOk;
                }
                entries.push_back(value.kind == ValueKind::Blob ? "NULL" : valueEntry(value));
            }
            const std::int64_t id = row.rowid.value_or(0) != 0 ? *row.rowid : ++lastId;
            const int alias = table.rowidAliasIndex();
            const std::size_t idColumn = alias >= 0 ? alias : 0;
            if (idColumn < entries.size()) {
                entries[idColumn] = std::to_string(id);
            }
            return writeLine(out, entries);
        });
}

} // namespace sqlitecarve
