// Store rows by column name, live through the SQLite library and recovered through our reader.
#include "extract/CalendarRows.h"

#include "extract/LiveValue.h"
#include "formats/SqliteReader.h"
#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>

namespace extract {

namespace {

// Seconds since 2001 beyond this magnitude are no date (about 3,000 years).
constexpr double kLatestAppleSeconds = 1.0e11;

} // namespace

CalendarRow::CalendarRow(std::shared_ptr<const std::vector<std::string>> names,
                         std::vector<sqlitecarve::Value> values,
                         std::int64_t rowid,
                         bool deleted)
    : m_names(std::move(names))
    , m_values(std::move(values))
    , m_rowid(rowid)
    , m_deleted(deleted)
{}

const sqlitecarve::Value* CalendarRow::at(std::string_view column) const
{
    const std::size_t count = std::min(m_names->size(), m_values.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (platform::compareAsciiNoCase((*m_names)[i], column) == 0) {
            return &m_values[i];
        }
    }
    return nullptr;
}

bool CalendarRow::has(std::string_view column) const
{
    const sqlitecarve::Value* value = at(column);
    return value != nullptr && value->kind != sqlitecarve::ValueKind::Null;
}

std::string CalendarRow::text(std::string_view column) const
{
    const sqlitecarve::Value* value = at(column);
    if (value == nullptr || value->kind != sqlitecarve::ValueKind::Text ||
        !platform::isValidUtf8(value->bytes)) {
        return {};
    }
    return value->bytes;
}

std::int64_t CalendarRow::integer(std::string_view column) const
{
    const sqlitecarve::Value* value = at(column);
    if (value == nullptr) {
        return 0;
    }
    if (value->kind == sqlitecarve::ValueKind::Integer) {
        return value->integer;
    }
    if (value->kind == sqlitecarve::ValueKind::Real && std::isfinite(value->real) &&
        std::fabs(value->real) < kLargestIntegralReal) {
        return static_cast<std::int64_t>(value->real);
    }
    return 0;
}

std::optional<std::int64_t> CalendarRow::appleTime(std::string_view column) const
{
    const sqlitecarve::Value* value = at(column);
    double seconds = 0.0;
    if (value != nullptr && value->kind == sqlitecarve::ValueKind::Integer) {
        seconds = static_cast<double>(value->integer);
    } else if (value != nullptr && value->kind == sqlitecarve::ValueKind::Real) {
        seconds = value->real;
    } else {
        return std::nullopt;
    }
    if (!std::isfinite(seconds) || std::fabs(seconds) > kLatestAppleSeconds) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::floor(seconds)) + platform::kAppleEpochOffset;
}

int openStore(const std::string& path, formats::SqliteHandle& db)
{
    int code = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
    if (code == SQLITE_OK) {
        // The library reads the file first here: a file that is no database fails now.
        code = sqlite3_exec(
            db.get(), "SELECT count(*) FROM sqlite_master;", nullptr, nullptr, nullptr);
    }
    if (code != SQLITE_OK) {
        db.reset();
        return platform::statusFromSqlite(code);
    }
    return platform::kStatusOk;
}

bool hasTable(sqlite3* db, std::string_view table)
{
    formats::SqliteStatement statement;
    if (formats::prepareStatement(
            db,
            "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE;",
            statement) != SQLITE_OK) {
        return false;
    }
    sqlite3_bind_text(
        statement.get(), 1, table.data(), static_cast<int>(table.size()), SQLITE_TRANSIENT);
    return sqlite3_step(statement.get()) == SQLITE_ROW;
}

int readLiveRows(sqlite3* db, std::string_view table, std::vector<CalendarRow>& rows)
{
    if (!hasTable(db, table)) {
        return platform::kStatusOk;
    }
    const std::string sql = "SELECT _rowid_, * FROM \"" + std::string(table) + "\";";
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db, sql.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    const int count = sqlite3_column_count(statement.get());
    auto names = std::make_shared<std::vector<std::string>>();
    for (int i = 1; i < count; ++i) {
        const char* name = sqlite3_column_name(statement.get(), i);
        names->emplace_back(name != nullptr ? name : "");
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        std::vector<sqlitecarve::Value> values;
        values.reserve(names->size());
        for (int i = 1; i < count; ++i) {
            values.push_back(liveValue(statement.get(), i));
        }
        rows.emplace_back(
            names, std::move(values), sqlite3_column_int64(statement.get(), 0), false);
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

int readDeletedRows(sqlitecarve::Database& db,
                    std::string_view table,
                    const std::vector<std::int64_t>& liveRowids,
                    std::vector<CalendarRow>& rows)
{
    const sqlitecarve::TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusOk;
    }
    auto names = std::make_shared<std::vector<std::string>>();
    for (const sqlitecarve::ColumnInfo& column : schema->columns) {
        names->push_back(column.name);
    }
    std::vector<std::int64_t> live = liveRowids;
    std::sort(live.begin(), live.end());
    // Live rows are read through the library; ours decode only their rowid column.
    sqlitecarve::ReadOptions options;
    options.columns = {std::max(schema->rowidAliasIndex(), 0)};
    return db.readTable(
        table,
        [&](sqlitecarve::CarvedRow& row) {
            const std::int64_t rowid = row.rowid.value_or(0);
            if (!row.deleted ||
                (rowid != 0 && std::binary_search(live.begin(), live.end(), rowid))) {
                return;
            }
            rows.emplace_back(names, std::move(row.values), rowid, true);
        },
        options);
}

std::string calendarDateText(const std::optional<std::int64_t>& unixSeconds, bool floating)
{
    if (!unixSeconds) {
        return {};
    }
    return floating ? platform::formatUtc(*unixSeconds) : platform::formatLocal(*unixSeconds);
}

} // namespace extract
