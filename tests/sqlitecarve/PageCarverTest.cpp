// Records freed next to each other inside one merged free block, as hand-built pages: each
// lost its first bytes to a free-block header, and the header inside the block keeps a stale
// size. Every row found must be exact; zeroed space and broken headers give none.
#include "sqlitecarve/PageCarver.h"

#include "sqlitecarve/Record.h"
#include "sqlitecarve/TableSchema.h"
#include "support/ByteBuilder.h"
#include "support/TempDir.h"

#include <cstring>
#include <sqlite3.h>

#include <gtest/gtest.h>

namespace sqlitecarve {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kPageSize = 4096;

struct Person
{
    std::int16_t id;
    const char* name;
    const char* surname;
    std::int32_t codeA;
    double codeB;
};

// The serial types after the first (a 2-byte integer) and the content of `person`.
void encode(const Person& p, Bytes& types, Bytes& content)
{
    const auto text = [&](const char* s) {
        types.push_back(static_cast<std::uint8_t>(13 + 2 * std::strlen(s)));
        content.insert(content.end(), s, s + std::strlen(s));
    };
    const auto append = [&](const testsupport::ByteBuilder& bytes) {
        content.insert(content.end(), bytes.data().begin(), bytes.data().end());
    };
    append(testsupport::ByteBuilder().u16be(static_cast<std::uint16_t>(p.id)));
    text(p.name);
    text(p.surname);
    types.push_back(4);
    append(testsupport::ByteBuilder().u32be(static_cast<std::uint32_t>(p.codeA)));
    types.push_back(7);
    std::uint64_t bits = 0;
    std::memcpy(&bits, &p.codeB, sizeof bits);
    append(testsupport::ByteBuilder().u64be(bits));
}

// Writes at `at` a freed cell of `p`: a free-block header (next, size) over its payload size,
// rowid, header size and first serial type, then the rest of its record. Returns its end.
std::size_t putFreedCell(Bytes& page, std::size_t at, std::uint16_t size, const Person& p)
{
    Bytes types;
    Bytes content;
    encode(p, types, content);
    const Bytes header{0, 0, static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)};
    std::copy(header.begin(), header.end(), page.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy(types.begin(), types.end(), page.begin() + static_cast<std::ptrdiff_t>(at + 4));
    std::copy(content.begin(),
              content.end(),
              page.begin() + static_cast<std::ptrdiff_t>(at + 4 + types.size()));
    return at + 4 + types.size() + content.size();
}

// A leaf page with no cells whose one free block runs from `block` to `blockEnd`.
Bytes leafPage(std::size_t block, std::size_t blockEnd)
{
    Bytes page(kPageSize, 0);
    page[0] = 0x0d;
    page[1] = static_cast<std::uint8_t>(block >> 8);
    page[2] = static_cast<std::uint8_t>(block);
    page[5] = static_cast<std::uint8_t>(block >> 8);
    page[6] = static_cast<std::uint8_t>(block);
    page[block + 2] = static_cast<std::uint8_t>((blockEnd - block) >> 8);
    page[block + 3] = static_cast<std::uint8_t>(blockEnd - block);
    return page;
}

bool holds(const CarvedRow& row, const Person& p)
{
    return row.values.size() == 5 && row.values[0].integer == p.id &&
           row.values[1].bytes == p.name && row.values[2].bytes == p.surname &&
           row.values[3].integer == p.codeA && row.values[4].real == p.codeB;
}

class PageCarverTest : public testing::Test
{
protected:
    void SetUp() override
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(m_dir.file("t.db").c_str(), &db), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(
                      db, "PRAGMA page_size=4096; CREATE TABLE t(x);", nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
        ASSERT_EQ(m_carver.open(m_dir.file("t.db")), 0);
        parseCreateTable("CREATE TABLE users (id INT NOT NULL, name TEXT NOT NULL, "
                         "surname TEXT NULL, codeA INT NULL, codeB FLOAT NULL)",
                         m_table);
        m_shape = RecordShape::fromSchema(m_table);
    }

    std::vector<CarvedRow> carve(const Bytes& page)
    {
        std::vector<CarvedRow> rows;
        PageCarver(m_carver, page, 1, m_shape, PageRole::TreePage).carve(rows);
        return rows;
    }

    testsupport::TempDir m_dir;
    SqliteCarver m_carver;
    TableSchema m_table;
    RecordShape m_shape;
};

const Person kTheo{20009, "Theo", "Werner", 1101065816, -266782024.53385};
const Person kGustav{20008, "Gustav", "Keller", -1420315149, -2332453703.19693};

TEST_F(PageCarverTest, MergedBlockWithStaleInnerSize)
{
    // Theo's block merged with Gustav's behind it; Gustav's header still says 139 bytes,
    // though part of that space went to a live row since. Theo's last byte (0xca) read as the
    // next-block pointer of a header is off the page: a 1-byte first column is refused.
    Bytes page = leafPage(3700, 3800);
    const std::size_t theoEnd = putFreedCell(page, 3700, 100, kTheo);
    const std::size_t gustavEnd = putFreedCell(page, theoEnd, 139, kGustav);
    ASSERT_LE(gustavEnd + 8, 3800u);
    const Bytes remnant{0, 0, 0, 0x69, 0x1d, 0x15, 0x04, 0x07};
    std::copy(
        remnant.begin(), remnant.end(), page.begin() + static_cast<std::ptrdiff_t>(gustavEnd));
    const auto rows = carve(page);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(holds(rows[0], kTheo));
    EXPECT_TRUE(holds(rows[1], kGustav));
}

TEST_F(PageCarverTest, InnerHeaderCutShortByLiveData)
{
    struct Case
    {
        const char* name;
        Bytes after;
        bool found;
    };

    // What follows Theo up to the block's end: a merged header whose serial types a live
    // row overwrote after two bytes; zeroed space; a header pointing backwards.
    const Case cases[] = {
        {"types cut short", {0, 0, 0, 0x22, 0x15, 0x1d}, true},
        {"zeroed", Bytes(6, 0), false},
        {"next points back", {0x0e, 0x00, 0, 0x22, 0x15, 0x1d}, false},
    };
    for (const Case& c : cases) {
        Bytes page = leafPage(3700, 3800);
        const std::size_t theoEnd = putFreedCell(page, 3700, 64, kTheo);
        std::copy(
            c.after.begin(), c.after.end(), page.begin() + static_cast<std::ptrdiff_t>(theoEnd));
        // The block ends where the live data begins.
        const std::size_t blockEnd = theoEnd + c.after.size();
        page[3702] = static_cast<std::uint8_t>((blockEnd - 3700) >> 8);
        page[3703] = static_cast<std::uint8_t>(blockEnd - 3700);
        const auto rows = carve(page);
        EXPECT_EQ(rows.size(), c.found ? 1u : 0u) << c.name;
        for (const CarvedRow& row : rows) {
            EXPECT_TRUE(holds(row, kTheo)) << c.name;
        }
    }
}

TEST_F(PageCarverTest, HostileLengthsCostOnlyTheirBlock)
{
    // A freed Theo in one block, and behind it a second block whose serial types (after the
    // free-block header, with or without a header-size varint) claim contents too long for
    // any record, or so long that their sum wraps around 2^64 to a size that fits the block.
    // Theo is found, the second block gives nothing, and nothing is read outside the page.
    const std::uint64_t huge = ~0ULL;
    const std::uint64_t tooLong = 2 * kMaxRecordBytes + 15;

    struct Case
    {
        const char* name;
        bool withHeaderSize;
        std::vector<std::uint64_t> types;
    };

    const Case cases[] = {
        {"sum wraps below the header", false, {1, huge, huge, 1, 7}},
        {"sum wraps below the header, header kept", true, {1, huge, huge, 1, 7}},
        {"a moderate text, then a huge one", false, {1, 2013, huge - 2024, 1, 7}},
        {"one text longer than any record", false, {1, tooLong, 13, 1, 7}},
        {"one text longer than any record, header kept", true, {1, tooLong, 13, 1, 7}},
        {"blob of 2^62 bytes", true, {1, 13, (1ULL << 63) + 12, 1, 7}},
    };
    for (const Case& c : cases) {
        Bytes page = leafPage(3500, 3600);
        const std::size_t theoEnd = putFreedCell(page, 3500, 0, kTheo);
        testsupport::ByteBuilder block(std::move(page));
        block.patchU16be(3500, 3700)
            .patchU16be(3502, static_cast<std::uint16_t>(theoEnd - 3500))
            .patchU16be(3700, 0)
            .patchU16be(3702, 100);
        testsupport::ByteBuilder types;
        for (const std::uint64_t type : c.types) {
            types.varint(type);
        }
        testsupport::ByteBuilder record;
        if (c.withHeaderSize) {
            record.varint(types.size() + 1);
        }
        record.bytes(types.data()).text("Mallory").fill(4, 0x41);
        block.patch(3704, record.data());
        const auto rows = carve(block.data());
        ASSERT_EQ(rows.size(), 1u) << c.name;
        EXPECT_TRUE(holds(rows[0], kTheo)) << c.name;
        EXPECT_EQ(rows[0].offset, 3500u) << c.name;
    }
}

} // namespace
} // namespace sqlitecarve
