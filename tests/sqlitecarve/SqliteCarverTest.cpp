// Opening files and walking pages when one field of a good database is mutated: each fault
// ends with its status, never a crash, a hang or a read outside the file.
#include "SqliteDbBuilder.h"
#include "cli/CarveCommand.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"
#include "sqlitecarve/CellPayload.h"
#include "sqlitecarve/Database.h"
#include "support/ByteBuilder.h"
#include "support/FailingFile.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <cerrno>
#include <sstream>

#include <gtest/gtest.h>

namespace {

using testsupport::ByteBuilder;

constexpr std::uint64_t kNoFault = ~0ULL;

// Whether `faults` holds one at `page` and `offset`.
bool hasFault(const platform::Diagnostics& faults, std::uint64_t page, std::uint64_t offset)
{
    for (const platform::Diagnostic& fault : faults.entries()) {
        if (fault.page == page && fault.offset == offset) {
            return true;
        }
    }
    return false;
}

TEST(SqliteCarverTest, MutatedFieldsGiveTheirStatus)
{
    testsupport::TempDir dir;
    const std::string good = dir.file("good.db");
    ASSERT_EQ(fixtures::buildPeopleDatabase(good, {1024, 0, false}, 200, {5, 6, 7}, 200), 0);
    const std::string original = testsupport::readFileBytes(good);

    // Each fault is recorded where its bytes lie (1-based page, offset in the page).
    struct Case
    {
        const char* name;
        void (*mutate)(ByteBuilder&);
        int openStatus;
        int freeListStatus;
        int readStatus;
        std::uint64_t faultPage;
        std::uint64_t faultOffset;
    };

    const Case cases[] = {
        {"magic differs in case only",
         [](ByteBuilder& b) { b.patch(0, {'s'}); },
         0,
         0,
         0,
         kNoFault,
         0},
        {"bad magic",
         [](ByteBuilder& b) { b.patch(3, {'X'}); },
         platform::kStatusInvalid,
         0,
         0,
         1,
         0},
        {"page size 3000",
         [](ByteBuilder& b) { b.patchU16be(16, 3000); },
         platform::kStatusInvalid,
         0,
         0,
         1,
         16},
        {"reserved bytes leave too little",
         [](ByteBuilder& b) { b.patchU16be(16, 512).patch(20, {100}); },
         platform::kStatusInvalid,
         0,
         0,
         1,
         20},
        {"truncated header",
         [](ByteBuilder& b) { b.truncate(60); },
         platform::kStatusShortRead,
         0,
         0,
         1,
         60},
        // An empty file cannot be mapped and is read the plain way.
        {"empty file",
         [](ByteBuilder& b) { b.truncate(0); },
         platform::kStatusShortRead,
         0,
         0,
         1,
         0},
        // The trunk is one of the table's leaves, whose page type the patch overwrote.
        {"free-list trunk loops",
         [](ByteBuilder& b) { b.patchU32be(32, 3).patchU32be(2 * 1024, 3); },
         0,
         platform::kStatusCycle,
         platform::kStatusCorrupt,
         3,
         0},
        {"free-list trunk past the end",
         [](ByteBuilder& b) { b.patchU32be(32, 99999); },
         0,
         platform::kStatusCorrupt,
         0,
         1,
         32},
        {"root's right-most child past the end",
         [](ByteBuilder& b) { b.patchU32be(1024 + 8, 99999); },
         0,
         0,
         platform::kStatusCorrupt,
         2,
         8},
    };
    for (const Case& c : cases) {
        ByteBuilder bytes;
        bytes.text(original);
        c.mutate(bytes);
        const std::string path = dir.file(std::string(c.name) + ".db");
        testsupport::writeFileBytes(path, bytes.str());
        platform::Diagnostics faults;
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path, &faults), c.openStatus) << c.name;
        if (c.openStatus == 0) {
            EXPECT_EQ(db.carver().freeListStatus(), c.freeListStatus) << c.name;
            std::vector<sqlitecarve::CarvedRow> rows;
            EXPECT_EQ(db.readTable("people", rows), c.readStatus) << c.name;
        }
        if (c.faultPage == kNoFault) {
            EXPECT_TRUE(faults.entries().empty()) << c.name;
        } else {
            EXPECT_TRUE(hasFault(faults, c.faultPage, c.faultOffset)) << c.name;
        }
    }
}

// Where the first cell of the first leaf of the people table lies in `bytes` (1024-byte pages,
// an interior root on page 2): its 1-based page and its offset in that page.
void firstLeafCell(const std::string& bytes, std::uint32_t& page, std::uint16_t& offset)
{
    const auto at = [&](std::size_t position, int width) {
        std::uint32_t value = 0;
        for (int i = 0; i < width; ++i) {
            value = (value << 8) | static_cast<unsigned char>(bytes[position + i]);
        }
        return value;
    };
    const std::uint32_t rootCell = at(1024 + 12, 2);
    page = at(1024 + rootCell, 4);
    offset = static_cast<std::uint16_t>(at((page - 1) * 1024 + 8, 2));
}

TEST(SqliteCarverTest, DamagedLiveCellCostsOnlyItself)
{
    testsupport::TempDir dir;
    constexpr std::int64_t kRows = 60;

    struct Case
    {
        const char* name;
        std::size_t noteLength;
        // Damages the cell at byte `cell` of the file, whose record header starts at `header`
        // and whose overflow page number (when it overflows) is at `overflow`.
        void (*damage)(ByteBuilder&, std::size_t cell, std::size_t header, std::size_t overflow);
    };

    const Case cases[] = {
        {
            "payload longer than any record",
            200,
            [](ByteBuilder& b, std::size_t cell, std::size_t, std::size_t) {
                b.patch(cell, ByteBuilder().fill(8, 0xff).u8(0x7f).data());
            },
        },
        {"content lengths that wrap around",
         200,
         [](ByteBuilder& b, std::size_t, std::size_t header, std::size_t) {
             b.patch(header, ByteBuilder().varint(19).varint(~0ULL - 2).varint(~0ULL - 2).data());
         }},
        {"overflow page past the end",
         3000,
         [](ByteBuilder& b, std::size_t, std::size_t, std::size_t overflow) {
             b.patchU32be(overflow, 99999);
         }},
        {"overflow chain loops",
         3000,
         [](ByteBuilder& b, std::size_t, std::size_t, std::size_t overflow) {
             const auto& d = b.data();
             const std::uint32_t first = (std::uint32_t{d[overflow]} << 24) |
                                         (std::uint32_t{d[overflow + 1]} << 16) |
                                         (std::uint32_t{d[overflow + 2]} << 8) | d[overflow + 3];
             b.patchU32be((first - 1) * std::size_t{1024}, first);
         }},
    };
    for (const Case& c : cases) {
        const std::string good = dir.file(std::string(c.name) + ".good.db");
        ASSERT_EQ(fixtures::buildPeopleDatabase(good, {1024, 0, false}, kRows, {}, c.noteLength),
                  0);
        const std::string original = testsupport::readFileBytes(good);
        std::uint32_t leaf = 0;
        std::uint16_t offset = 0;
        firstLeafCell(original, leaf, offset);
        const std::size_t cell = (leaf - 1) * std::size_t{1024} + offset;
        sqlitecarve::CellPayload payload;
        const auto page = std::span(reinterpret_cast<const std::uint8_t*>(original.data()) +
                                        (leaf - 1) * std::size_t{1024},
                                    1024);
        sqlitecarve::SqliteCarver carver;
        ASSERT_EQ(carver.open(good), 0);
        ASSERT_EQ(sqlitecarve::readTableLeafCell(carver, page, offset, payload), 0) << c.name;
        const std::size_t header = (leaf - 1) * std::size_t{1024} + payload.payloadStart;
        const std::size_t overflow = (leaf - 1) * std::size_t{1024} + payload.cellEnd - 4;
        ByteBuilder bytes;
        bytes.text(original);
        c.damage(bytes, cell, header, overflow);
        const std::string path = dir.file(std::string(c.name) + ".db");
        testsupport::writeFileBytes(path, bytes.str());

        platform::Diagnostics faults;
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path, &faults), 0) << c.name;
        std::vector<sqlitecarve::CarvedRow> rows;
        EXPECT_EQ(db.readTable("people", rows, {false, {}}), 0) << c.name;
        EXPECT_EQ(rows.size(), static_cast<std::size_t>(kRows - 1)) << c.name;
        EXPECT_TRUE(hasFault(faults, leaf, offset)) << c.name;

        std::ostringstream out;
        std::ostringstream err;
        EXPECT_EQ(cli::runCarve({path, "--table", "people", "--json"}, out, err), 0) << c.name;
        const std::string damage =
            "{\"table\": \"people\", \"damage\": {\"page\": " + std::to_string(leaf) +
            ", \"offset\": " + std::to_string(offset) + ", \"message\": \"cell skipped";
        EXPECT_NE(out.str().find(damage), std::string::npos) << c.name << '\n' << out.str();
    }
}

TEST(SqliteCarverTest, ReadErrorsEndOnlyWhatTheyHit)
{
    testsupport::TempDir dir;
    const std::string good = dir.file("good.db");
    ASSERT_EQ(fixtures::buildPeopleDatabase(good, {1024, 0, false}, 200, {}, 200), 0);
    const std::string bytes = testsupport::readFileBytes(good);
    using Failure = testsupport::FailingFile::Failure;

    struct Case
    {
        const char* name;
        std::uint64_t goodBytes;
        Failure failure;
        int openStatus;
        int readStatus;
        bool someRows;
    };

    const std::uint64_t lastPage = bytes.size() - 1024;
    const Case cases[] = {
        {"error in the header", 50, Failure::Error, EIO, 0, false},
        {"header cut short", 50, Failure::ShortRead, platform::kStatusShortRead, 0, false},
        {"error in the last page", lastPage + 10, Failure::Error, 0, EIO, true},
        {"last page cut short",
         lastPage + 10,
         Failure::ShortRead,
         0,
         platform::kStatusShortRead,
         true},
    };
    for (const Case& c : cases) {
        const testsupport::FailingFile file(bytes, c.goodBytes, c.failure);
        platform::Diagnostics faults;
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(file, &faults), c.openStatus) << c.name;
        if (c.openStatus != 0) {
            continue;
        }
        std::vector<sqlitecarve::CarvedRow> rows;
        EXPECT_EQ(db.readTable("people", rows, {false, {}}), c.readStatus) << c.name;
        EXPECT_EQ(!rows.empty(), c.someRows) << c.name;
        EXPECT_TRUE(hasFault(faults, bytes.size() / 1024, 0)) << c.name;
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
    const std::string path = dir.file("cycle.db");
    testsupport::writeFileBytes(path, ByteBuilder().text(bytes).patchU32be(1024 + 8, 2).str());
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<sqlitecarve::CarvedRow> rows;
    EXPECT_EQ(db.readTable("people", rows), platform::kStatusCycle);
    EXPECT_FALSE(rows.empty()) << "the rows of the other children are still read";
}

} // namespace
