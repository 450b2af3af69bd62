// Opening files and walking pages when one field of a good database is mutated: each fault
// ends with its status, never a crash, a hang or a read outside the file.
#include "SqliteDbBuilder.h"
#include "platform/Status.h"
#include "sqlitecarve/Database.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

void putBe(std::string& bytes, std::size_t offset, std::uint32_t value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        bytes[offset + static_cast<std::size_t>(i)] = static_cast<char>(value & 0xff);
        value >>= 8;
    }
}

TEST(SqliteCarverTest, MutatedFieldsGiveTheirStatus)
{
    testsupport::TempDir dir;
    const std::string good = dir.file("good.db");
    ASSERT_EQ(fixtures::buildPeopleDatabase(good, {1024, 0, false}, 200, {5, 6, 7}, 200), 0);
    const std::string original = testsupport::readFileBytes(good);

    struct Case
    {
        const char* name;
        void (*mutate)(std::string&);
        int openStatus;
        int freeListStatus;
        int readStatus;
    };

    const Case cases[] = {
        {"magic differs in case only", [](std::string& b) { b[0] = 's'; }, 0, 0, 0},
        {"bad magic", [](std::string& b) { b[3] = 'X'; }, platform::kStatusInvalid, 0, 0},
        {"page size 3000",
         [](std::string& b) { putBe(b, 16, 3000, 2); },
         platform::kStatusInvalid,
         0,
         0},
        {"truncated header",
         [](std::string& b) { b.resize(60); },
         platform::kStatusShortRead,
         0,
         0},
        {"free-list trunk loops",
         [](std::string& b) {
             putBe(b, 32, 3, 4);
             putBe(b, 2 * 1024, 3, 4);
         },
         0,
         platform::kStatusCycle,
         0},
        {"free-list trunk past the end",
         [](std::string& b) { putBe(b, 32, 99999, 4); },
         0,
         platform::kStatusCorrupt,
         0},
    };
    for (const Case& c : cases) {
        std::string bytes = original;
        c.mutate(bytes);
        const std::string path = dir.file(std::string(c.name) + ".db");
        testsupport::writeFileBytes(path, bytes);
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path), c.openStatus) << c.name;
        if (c.openStatus != 0) {
            continue;
        }
        EXPECT_EQ(db.carver().freeListStatus(), c.freeListStatus) << c.name;
        std::vector<sqlitecarve::CarvedRow> rows;
        EXPECT_EQ(db.readTable("people", rows), c.readStatus) << c.name;
    }
}

TEST(SqliteCarverTest, TreeCyclesEndTheWalk)
{
    testsupport::TempDir dir;
    const std::string good = dir.file("tree.db");
    ASSERT_EQ(fixtures::buildPeopleDatabase(good, {1024, 0, false}, 200, {}, 200), 0);
    std::string bytes = testsupport::readFileBytes(good);
    // The table's root (page 2) is interior: point its right-most child back at itself.
    ASSERT_EQ(static_cast<unsigned char>(bytes[1024]), 5u);
    putBe(bytes, 1024 + 8, 2, 4);
    const std::string path = dir.file("cycle.db");
    testsupport::writeFileBytes(path, bytes);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<sqlitecarve::CarvedRow> rows;
    EXPECT_EQ(db.readTable("people", rows), platform::kStatusCycle);
    EXPECT_FALSE(rows.empty()) << "the rows of the other children are still read";
}

} // namespace
