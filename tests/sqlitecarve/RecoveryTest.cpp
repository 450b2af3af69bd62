// Recovery on databases built with the SQLite library: scattered deletes, block deletes,
// dropped tables and rows with overflow pages, over page sizes from 512 to 65,536, with
// auto-vacuum and reserved bytes. Every recovered row must be a deleted row with exact values.
#include "SqliteDbBuilder.h"
#include "platform/File.h"
#include "sqlitecarve/Database.h"
#include "sqlitecarve/FingerprintSet.h"
#include "support/TempDir.h"

#include <set>

#include <gtest/gtest.h>

namespace {

using sqlitecarve::CarvedRow;
using sqlitecarve::ValueKind;

// Whether `row` holds exactly the people row `id` (its rowid alias may be lost).
bool isPerson(const CarvedRow& row, std::int64_t id, std::size_t noteLength)
{
    const fixtures::PersonRow expected = fixtures::personRow(id, noteLength);
    return row.values.size() == 5 &&
           (row.values[0].kind == ValueKind::Null || row.values[0].integer == id) &&
           row.values[1].bytes == expected.name && row.values[2].bytes == expected.note &&
           // Rows of dropped tables have no column types: whole reals stay integers.
           (row.values[3].kind == ValueKind::Real
                ? row.values[3].real == expected.score
                : static_cast<double>(row.values[3].integer) == expected.score) &&
           row.values[4].integer == expected.visits;
}

// The people id a recovered row holds, found by its name column; 0 when it matches none.
std::int64_t personIdOf(const CarvedRow& row, std::int64_t count, std::size_t noteLength)
{
    for (std::int64_t id = 1; id <= count; ++id) {
        if (isPerson(row, id, noteLength)) {
            return id;
        }
    }
    return 0;
}

struct Layout
{
    const char* name;
    fixtures::SqliteDbOptions options;
    std::size_t noteLength;
    std::int64_t count;
    // Share of deleted rows the file still holds that must be recovered.
    double minRecall;
};

class RecoveryTest : public testing::TestWithParam<Layout>
{};

TEST_P(RecoveryTest, ScatteredDeletesAreRecoveredExactly)
{
    const Layout& layout = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.file("people.db");
    std::vector<std::int64_t> deleted;
    for (std::int64_t id = 3; id <= layout.count; id += 7) {
        deleted.push_back(id);
    }
    ASSERT_EQ(fixtures::buildPeopleDatabase(
                  path, layout.options, layout.count, deleted, layout.noteLength),
              0);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<CarvedRow> rows;
    ASSERT_EQ(db.readTable("people", rows), 0);
    const std::set<std::int64_t> deletedIds(deleted.begin(), deleted.end());
    std::set<std::int64_t> live;
    std::set<std::int64_t> recovered;
    for (const CarvedRow& row : rows) {
        if (!row.deleted) {
            ASSERT_TRUE(row.rowid.has_value());
            EXPECT_TRUE(isPerson(row, *row.rowid, layout.noteLength)) << *row.rowid;
            live.insert(*row.rowid);
            continue;
        }
        const std::int64_t id = personIdOf(row, layout.count, layout.noteLength);
        EXPECT_TRUE(deletedIds.count(id) == 1)
            << layout.name << ": recovered a row that is not a deleted one, page " << row.page
            << " offset " << row.offset;
        recovered.insert(id);
    }
    EXPECT_EQ(live.size(), static_cast<std::size_t>(layout.count) - deleted.size());
    EXPECT_GE(static_cast<double>(recovered.size()),
              layout.minRecall * static_cast<double>(deleted.size()))
        << layout.name << ": " << recovered.size() << " of " << deleted.size();
}

TEST_P(RecoveryTest, ChosenColumnsReadLikeWholeRows)
{
    // Live rows decode only the columns asked for; which rows come out, stale copies left
    // out, must not change. The chosen columns are read page by page from a plain file, the
    // whole rows from the mapped file: both must see the same pages.
    const Layout& layout = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.file("people.db");
    std::vector<std::int64_t> deleted;
    for (std::int64_t id = 2; id <= layout.count; id += 3) {
        deleted.push_back(id);
    }
    ASSERT_EQ(fixtures::buildPeopleDatabase(
                  path, layout.options, layout.count, deleted, layout.noteLength),
              0);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<CarvedRow> whole;
    ASSERT_EQ(db.readTable("people", whole), 0);
    platform::File file;
    ASSERT_EQ(file.openRead(path), 0);
    sqlitecarve::Database readDb;
    ASSERT_EQ(readDb.open(file), 0);
    sqlitecarve::ReadOptions options;
    options.columns = {1, 4, -1, 99};
    std::vector<CarvedRow> chosen;
    ASSERT_EQ(readDb.readTable("people", chosen, options), 0);
    ASSERT_EQ(chosen.size(), whole.size()) << layout.name;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const CarvedRow& a = whole[i];
        const CarvedRow& b = chosen[i];
        ASSERT_EQ(a.page, b.page);
        ASSERT_EQ(a.offset, b.offset);
        ASSERT_EQ(a.deleted, b.deleted);
        ASSERT_EQ(a.values.size(), b.values.size());
        for (std::size_t column = 0; column < a.values.size(); ++column) {
            const bool kept = a.deleted || column == 0 || column == 1 || column == 4;
            if (kept) {
                EXPECT_TRUE(a.values[column] == b.values[column]) << i << " " << column;
            } else {
                EXPECT_EQ(b.values[column].kind, ValueKind::Null) << i << " " << column;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts,
    RecoveryTest,
    testing::Values(Layout{"page512", {512, 0, false}, 24, 300, 1.0},
                    Layout{"page1024", {1024, 0, false}, 24, 300, 1.0},
                    Layout{"page4096", {4096, 0, false}, 24, 600, 1.0},
                    Layout{"page65536", {65536, 0, false}, 24, 600, 1.0},
                    Layout{"reserved32", {4096, 32, false}, 24, 600, 1.0},
                    Layout{"autovacuum", {4096, 0, true}, 24, 600, 1.0},
                    // One row per leaf: deleting one empties a page, and the rebalancing that
                    // follows overwrites the local parts of most deleted rows.
                    Layout{"overflow1024", {1024, 0, false}, 3000, 40, 0.0},
                    Layout{"overflow4096", {4096, 0, false}, 9000, 30, 0.75}),
    [](const testing::TestParamInfo<Layout>& param) { return std::string(param.param.name); });

TEST(RecoveryTest, BlockDeleteRecoversWithoutFalseRows)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("block.db");
    std::vector<std::int64_t> deleted;
    for (std::int64_t id = 200; id <= 400; ++id) {
        deleted.push_back(id);
    }
    ASSERT_EQ(fixtures::buildPeopleDatabase(path, {}, 600, deleted, 24), 0);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<CarvedRow> rows;
    ASSERT_EQ(db.readTable("people", rows), 0);
    std::size_t recovered = 0;
    for (const CarvedRow& row : rows) {
        if (row.deleted) {
            const std::int64_t id = personIdOf(row, 600, 24);
            EXPECT_TRUE(id >= 200 && id <= 400) << "page " << row.page << " offset " << row.offset;
            ++recovered;
        }
    }
    // Freeing whole pages rebalances their neighbours and overwrites part of the block.
    EXPECT_GE(recovered, 90u);
}

TEST(RecoveryTest, DroppedTableRowsAreReadFromFreePages)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("dropped.db");
    fixtures::SqliteDbBuilder builder;
    ASSERT_EQ(builder.create(path), 0);
    std::string sql = fixtures::peopleTableSql() + "CREATE TABLE kept (a TEXT); BEGIN;";
    for (std::int64_t id = 1; id <= 120; ++id) {
        sql += fixtures::insertPersonSql(fixtures::personRow(id));
    }
    sql += "INSERT INTO kept VALUES ('stays'); COMMIT; DROP TABLE people;";
    ASSERT_EQ(builder.exec(sql), 0) << builder.lastError();
    ASSERT_EQ(builder.close(), 0);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<CarvedRow> rows;
    ASSERT_EQ(db.readUnownedRows(rows), 0);
    std::set<std::int64_t> found;
    for (const CarvedRow& row : rows) {
        EXPECT_FALSE(row.table.has_value());
        const std::int64_t id = personIdOf(row, 120, 24);
        EXPECT_NE(id, 0) << "page " << row.page << " offset " << row.offset;
        found.insert(id);
    }
    EXPECT_GE(found.size(), 115u);
}

} // namespace

// The set that tells stale copies from new rows must answer as an ordinary set does, for the
// fingerprint 0 (its empty-slot mark), for fingerprints that share their home slot, across the
// table's growth, and after adding many at once.
TEST(FingerprintSetTest, AnswersAsAnOrdinarySet)
{
    std::vector<std::uint64_t> fingerprints = {0, 1, 0, ~0ULL, 1, ~0ULL};
    // Multiples of the inverse of the slot hash's multiplier all start their search in slot 0.
    constexpr std::uint64_t kInverse = 0xf1de83e19937733dULL;
    for (std::uint64_t i = 0; i < 50; ++i) {
        fingerprints.push_back(kInverse * i);
    }
    for (std::uint64_t i = 0; i < 5000; ++i) {
        fingerprints.push_back(i * 0x10001 % 3001);
    }
    // The first half goes in at once, as the live rows' fingerprints do.
    const std::size_t half = fingerprints.size() / 2;
    sqlitecarve::FingerprintSet set;
    set.insertAll(std::span(fingerprints).first(half));
    std::set<std::uint64_t> expected(fingerprints.begin(), fingerprints.begin() + half);
    for (std::size_t i = 0; i < fingerprints.size(); ++i) {
        ASSERT_EQ(set.insert(fingerprints[i]), expected.insert(fingerprints[i]).second) << i;
    }
}
