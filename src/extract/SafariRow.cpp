// Whole rows of the Safari stores, live and carved.
#include "extract/SafariRow.h"

#include "extract/LiveValue.h"
#include "formats/SqliteReader.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/DeviceTables.h"

#include <cerrno>
#include <cmath>

namespace extract {

std::string SafariRow::text(std::string_view column) const
{
    const auto found = values.find(column);
    if (found == values.end() || found->second.kind != sqlitecarve::ValueKind::Text) {
        return {};
    }
    return found->second.bytes;
}

std::optional<std::int64_t> SafariRow::integer(std::string_view column) const
{
    const auto found = values.find(column);
    if (found == values.end()) {
        return std::nullopt;
    }
    const sqlitecarve::Value& value = found->second;
    if (value.kind == sqlitecarve::ValueKind::Integer) {
        return value.integer;
    }
    if (value.kind == sqlitecarve::ValueKind::Real && std::isfinite(value.real) &&
        std::fabs(value.real) < kLargestIntegralReal) {
        return static_cast<std::int64_t>(value.real);
    }
    return std::nullopt;
}

double SafariRow::seconds(std::string_view column) const
{
    const auto found = values.find(column);
    if (found == values.end()) {
        return 0.0;
    }
    const sqlitecarve::Value& value = found->second;
    if (value.kind == sqlitecarve::ValueKind::Integer) {
        return static_cast<double>(value.integer);
    }
    return value.kind == sqlitecarve::ValueKind::Real && std::isfinite(value.real) ? value.real
                                                                                   : 0.0;
}

std::string SafariRow::appleDate(std::string_view column) const
{
    return sqlitecarve::appleDateText(seconds(column));
}

int readLiveRows(const std::string& path, std::string_view table, std::vector<SafariRow>& rows)
{
    if (!platform::fileExists(path)) {
        return platform::kStatusInvalid;
    }
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    const std::string sql = "SELECT rowid, * FROM \"" + std::string(table) + "\";";
    formats::SqliteStatement statement;
    if (const int prepared = formats::prepareStatement(db.get(), sql.c_str(), statement);
        prepared != SQLITE_OK) {
        return platform::statusFromSqlite(prepared);
    }
    const int columns = sqlite3_column_count(statement.get());
    int step = SQLITE_ROW;
    std::vector<SafariRow> read;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        SafariRow row;
        row.rowid = sqlite3_column_int64(statement.get(), 0);
        for (int column = 1; column < columns; ++column) {
            const char* name = sqlite3_column_name(statement.get(), column);
            row.values.emplace(name != nullptr ? name : "", liveValue(statement.get(), column));
        }
        read.push_back(std::move(row));
    }
    if (step != SQLITE_DONE) {
        return platform::statusFromSqlite(step);
    }
    rows.insert(rows.end(), read.begin(), read.end());
    return platform::kStatusOk;
}

int openCarver(sqlitecarve::Database& db, const std::string& path, platform::Diagnostics* damage)
{
    const int status = db.open(path, damage);
    if (status == platform::statusFromErrno(ENOENT)) {
        return platform::kStatusInvalid;
    }
    return status == platform::kStatusInvalid ? platform::kStatusCorrupt : status;
}

int readCarvedRows(sqlitecarve::Database& db, std::string_view table, std::vector<SafariRow>& rows)
{
    const sqlitecarve::TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusOk;
    }
    // Live rows are only skipped here, so they decode no more than one column.
    sqlitecarve::ReadOptions options;
    options.columns = {0};
    return db.readTable(
        table,
        [&](sqlitecarve::CarvedRow& carved) {
            if (!carved.deleted) {
                return;
            }
            SafariRow row;
            row.deleted = true;
            row.rowid = carved.rowid;
            for (std::size_t i = 0; i < carved.values.size() && i < schema->columns.size(); ++i) {
                sqlitecarve::Value& value = carved.values[i];
                if (value.kind == sqlitecarve::ValueKind::Text &&
                    !platform::isValidUtf8(value.bytes)) {
                    return;
                }
                row.values.emplace(schema->columns[i].name, std::move(value));
            }
            rows.push_back(std::move(row));
        },
        options);
}

} // namespace extract
