// Matching recovered rows with the rows of the answer keys.
#include "CorpusScore.h"

#include "CorpusAnswerKey.h"
#include "sqlitecarve/Database.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace corpus {

namespace {

bool sameValue(const sqlitecarve::Value& value, const std::string& expected)
{
    using sqlitecarve::ValueKind;
    switch (value.kind) {
    case ValueKind::Null:
        return expected.empty();
    case ValueKind::Integer: {
        char* end = nullptr;
        const double parsed = std::strtod(expected.c_str(), &end);
        return !expected.empty() && *end == '\0' &&
               (std::to_string(value.integer) == expected ||
                parsed == static_cast<double>(value.integer));
    }
    case ValueKind::Real: {
        char* end = nullptr;
        const double parsed = std::strtod(expected.c_str(), &end);
        return !expected.empty() && *end == '\0' &&
               std::fabs(parsed - value.real) <= 1e-9 * std::max(1.0, std::fabs(parsed));
    }
    case ValueKind::Text:
    case ValueKind::Blob:
        return value.bytes == expected;
    }
    return false;
}

bool sameRow(const sqlitecarve::CarvedRow& row, const KeyTable& table, const KeyRow& keyRow)
{
    if (row.values.size() < keyRow.values.size()) {
        return false;
    }
    for (std::size_t i = 0; i < keyRow.values.size(); ++i) {
        const bool lostRowid = i < table.rowidColumns.size() && table.rowidColumns[i] &&
                               row.values[i].kind == sqlitecarve::ValueKind::Null;
        if (!lostRowid && !sameValue(row.values[i], keyRow.values[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

void Score::add(const Score& other)
{
    expected += other.expected;
    recovered += other.recovered;
    matched += other.matched;
    liveReportedDeleted += other.liveReportedDeleted;
    databases += other.databases;
    failures += other.failures;
    keyCorrections += other.keyCorrections;
}

Score scoreDatabase(const std::string& databasePath, const std::string& keyPath)
{
    Score score;
    score.databases = 1;
    std::vector<KeyTable> tables;
    sqlitecarve::Database db;
    if (!readAnswerKey(keyPath, tables) || db.open(databasePath) != 0) {
        score.failures = 1;
        return score;
    }
    std::vector<sqlitecarve::CarvedRow> rows;
    std::vector<sqlitecarve::CarvedRow> live;
    for (const std::string& name : db.tableNames()) {
        std::vector<sqlitecarve::CarvedRow> tableRows;
        (void)db.readTable(name, tableRows);
        for (auto& row : tableRows) {
            (row.deleted ? rows : live).push_back(std::move(row));
        }
    }
    (void)db.readUnownedRows(rows);

    struct Expected
    {
        const KeyTable* table;
        const KeyRow* row;
        bool deleted;
        bool used = false;
    };

    std::vector<Expected> expected;
    for (const KeyTable& table : tables) {
        for (const KeyRow& row : table.rows) {
            // One key (09-01) lists rows as alive that its own script deleted: a row of a
            // current table that the file does not hold live counts as deleted.
            const auto names = db.tableNames();
            const bool readable = std::find(names.begin(), names.end(), table.name) != names.end();
            const bool inFile =
                !readable || std::any_of(live.begin(), live.end(), [&](const auto& liveRow) {
                    return liveRow.table == table.name && sameRow(liveRow, table, row);
                });
            const bool deleted = table.dropped || row.deleted || !inFile;
            score.keyCorrections += !table.dropped && !row.deleted && !inFile ? 1 : 0;
            expected.push_back({&table, &row, deleted});
            score.expected += deleted ? 1 : 0;
        }
    }
    score.recovered = rows.size();
    for (const auto& row : rows) {
        bool matched = false;
        for (Expected& entry : expected) {
            if (entry.deleted && !entry.used && sameRow(row, *entry.table, *entry.row)) {
                entry.used = matched = true;
                ++score.matched;
                break;
            }
        }
        if (matched) {
            continue;
        }
        for (const Expected& entry : expected) {
            if (!entry.deleted && sameRow(row, *entry.table, *entry.row)) {
                ++score.liveReportedDeleted;
                break;
            }
        }
    }
    return score;
}

std::map<std::string, Score> scoreCorpus(const std::string& root)
{
    std::map<std::string, Score> scores;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto& path = entry.path();
        if (path.extension() != ".db") {
            continue;
        }
        auto key = path;
        key.replace_extension(".xml");
        if (!std::filesystem::exists(key)) {
            continue;
        }
        scores[path.parent_path().filename().string()].add(
            scoreDatabase(path.string(), key.string()));
    }
    return scores;
}

} // namespace corpus
