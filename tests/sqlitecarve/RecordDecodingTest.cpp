// Byte-level rules of cells and records: varints, serial types, values, the local-payload rule,
// CREATE TABLE parsing and record shapes.
#include "sqlitecarve/CellPayload.h"
#include "sqlitecarve/Record.h"
#include "sqlitecarve/RecordShape.h"
#include "sqlitecarve/TableSchema.h"
#include "sqlitecarve/Value.h"
#include "sqlitecarve/Varint.h"
#include "support/ByteBuilder.h"

#include <vector>

#include <gtest/gtest.h>

namespace sqlitecarve {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(VarintTest, LengthsOfVarints)
{
    for (const std::uint64_t value : {0ULL, 127ULL, 128ULL, 16383ULL, 16384ULL, ~0ULL}) {
        EXPECT_EQ(varintLength(value),
                  value == ~0ULL  ? 9u
                  : value < 128   ? 1u
                  : value < 16384 ? 2u
                                  : 3u);
    }
}

TEST(VarintTest, SerialTypeLengths)
{
    const std::pair<std::uint64_t, std::uint64_t> cases[] = {{0, 0},
                                                             {1, 1},
                                                             {4, 4},
                                                             {5, 6},
                                                             {6, 8},
                                                             {7, 8},
                                                             {8, 0},
                                                             {9, 0},
                                                             {12, 0},
                                                             {13, 0},
                                                             {14, 1},
                                                             {15, 1},
                                                             {16, 2},
                                                             {17, 2},
                                                             {10, 0},
                                                             {11, 0}};
    for (const auto& [type, length] : cases) {
        EXPECT_EQ(serialTypeContentLength(type), length) << type;
    }
}

TEST(ValueTest, DecodesEachKind)
{
    struct Case
    {
        std::uint64_t type;
        Bytes content;
        ValueKind kind;
        std::int64_t integer;
        std::string bytes;
    };

    const Case cases[] = {
        {1, {0xff}, ValueKind::Integer, -1, ""},
        {3, {0x80, 0x00, 0x00}, ValueKind::Integer, -8388608, ""},
        {5, {0x00, 0x01, 0x00, 0x00, 0x00, 0x00}, ValueKind::Integer, 1LL << 32, ""},
        {8, {}, ValueKind::Integer, 0, ""},
        {9, {}, ValueKind::Integer, 1, ""},
        {0, {}, ValueKind::Null, 0, ""},
        {17, {'h', 'i'}, ValueKind::Text, 0, "hi"},
        {16, {0x00, 0xff}, ValueKind::Blob, 0, std::string("\0\xff", 2)},
    };
    for (const Case& c : cases) {
        Value value;
        ASSERT_EQ(decodeValue(c.type, c.content, TextEncoding::Utf8, value), 0) << c.type;
        EXPECT_EQ(value.kind, c.kind) << c.type;
        EXPECT_EQ(value.integer, c.integer) << c.type;
        EXPECT_EQ(value.bytes, c.bytes) << c.type;
    }
    Value value;
    EXPECT_NE(decodeValue(10, {}, TextEncoding::Utf8, value), 0);
    EXPECT_NE(decodeValue(2, Bytes{1}, TextEncoding::Utf8, value), 0);
    const Bytes real = {0x40, 0x09, 0x21, 0xfb, 0x54, 0x44, 0x2d, 0x18};
    ASSERT_EQ(decodeValue(7, real, TextEncoding::Utf8, value), 0);
    EXPECT_DOUBLE_EQ(value.real, 3.141592653589793);
}

TEST(ValueTest, ConvertsUtf16)
{
    const Bytes big = {0x00, 'W', 0x00, 0xdf, 0xd8, 0x3d, 0xde, 0x00};
    EXPECT_EQ(utf16ToUtf8(big, true), "W\xc3\x9f\xf0\x9f\x98\x80");
    const Bytes little = {'A', 0x00, 0x00, 0xdc, 'B'};
    EXPECT_EQ(utf16ToUtf8(little, false), "A\xef\xbf\xbd\xef\xbf\xbd");
}

TEST(RecordTest, ReadsHeadersAndRejectsBrokenOnes)
{
    const Bytes record = {0x04, 0x00, 0x01, 0x13, 0x05, 'a', 'b', 'c'};
    RecordLayout layout;
    ASSERT_EQ(readRecordHeader(record, 0, 10, layout), 0);
    EXPECT_EQ(layout.serialTypes, (std::vector<std::uint64_t>{0, 1, 19}));
    EXPECT_EQ(layout.recordSize, 8u);
    std::vector<Value> values;
    ASSERT_EQ(decodeRecordValues(layout.serialTypes,
                                 std::span(record).subspan(layout.contentStart),
                                 TextEncoding::Utf8,
                                 values),
              0);
    EXPECT_EQ(values[2].bytes, "abc");
    EXPECT_NE(readRecordHeader(record, 0, 2, layout), 0) << "more columns than allowed";
    EXPECT_NE(readRecordHeader(Bytes{0x09, 0x01}, 0, 10, layout), 0) << "header past end";
    EXPECT_NE(readRecordHeader(Bytes{0x03, 0x0a, 0x01}, 0, 10, layout), 0) << "reserved";
    EXPECT_NE(readRecordHeader(Bytes{0x03, 0x81}, 0, 10, layout), 0) << "varint past header";
    ASSERT_EQ(readSerialTypes(record, 1, 3, layout), 0);
    EXPECT_EQ(layout.recordSize, 8u) << "the lost header-size varint is counted";

    // Serial types whose content lengths are too long for any record, or whose sum would wrap
    // around 2^64 to a small size, are damage in a full header and in a bare list of types.
    const std::uint64_t longest = 2 * kMaxRecordBytes + 13;
    const std::vector<std::vector<std::uint64_t>> hostile = {
        {longest + 2},
        {longest, 14},
        {~0ULL, ~0ULL, 1, 7},
        {~0ULL - 1, ~0ULL - 1, ~0ULL - 1},
    };
    for (const auto& types : hostile) {
        testsupport::ByteBuilder typeBytes;
        for (const std::uint64_t type : types) {
            typeBytes.varint(type);
        }
        const auto header = testsupport::ByteBuilder()
                                .varint(typeBytes.size() + 1)
                                .bytes(typeBytes.data())
                                .fill(64)
                                .take();
        EXPECT_NE(readRecordHeader(header, 0, 10, layout), 0) << types[0];
        EXPECT_NE(readSerialTypes(header, 1, types.size(), layout), 0) << types[0];
        std::uint64_t total = 0;
        EXPECT_FALSE(contentLengthOf(types, total)) << types[0];
    }
    std::uint64_t total = 0;
    EXPECT_TRUE(contentLengthOf({longest, 0}, total));
    EXPECT_EQ(total, kMaxRecordBytes) << "the longest record is accepted";
}

TEST(CellPayloadTest, LocalSizeFollowsTheFormat)
{
    // U = 4096: X = 4061, M = 489.
    EXPECT_EQ(localPayloadSize(4061, 4096), 4061u);
    EXPECT_EQ(localPayloadSize(4062, 4096), 489u) << "K = 4062 is above X";
    EXPECT_EQ(localPayloadSize(10000, 4096), 489u + (10000 - 489) % 4092);
    // K above X falls back to M: U = 512 gives X = 477, M = 39; P = 600 gives K = 92.
    EXPECT_EQ(localPayloadSize(600, 512), 92u);
    EXPECT_EQ(localPayloadSize(39 + 508 + 470, 512), 39u);
    // Reserved bytes shrink the usable size: U = 4064 gives X = 4029.
    EXPECT_EQ(localPayloadSize(4029, 4064), 4029u);
    EXPECT_LT(localPayloadSize(4030, 4064), 4030u);
}

TEST(TableSchemaTest, ParsesColumnDefinitions)
{
    struct Case
    {
        const char* sql;
        std::vector<std::string> names;
        int alias;
        bool withoutRowid;
    };

    const Case cases[] = {
        {"CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT)", {"id", "name"}, 0, false},
        {"CREATE TABLE \"we(ird\" ('a b' INT, [c,d] VARCHAR(20, 3) NOT NULL, `e` )",
         {"a b", "c,d", "e"},
         -1,
         false},
        {"CREATE TABLE t (id INTEGER PRIMARY KEY DESC, x)", {"id", "x"}, -1, false},
        {"CREATE TABLE t (x TEXT, id INTEGER, CONSTRAINT k PRIMARY KEY (id))",
         {"x", "id"},
         1,
         false},
        {"CREATE TABLE t (a INTEGER PRIMARY KEY, b) WITHOUT ROWID", {"a", "b"}, -1, true},
        {"CREATE TABLE t ( -- comment, with comma\n a /* b, */ TEXT, c)", {"a", "c"}, -1, false},
    };
    for (const Case& c : cases) {
        TableSchema table;
        ASSERT_TRUE(parseCreateTable(c.sql, table)) << c.sql;
        std::vector<std::string> names;
        for (const ColumnInfo& column : table.columns) {
            names.push_back(column.name);
        }
        EXPECT_EQ(names, c.names) << c.sql;
        EXPECT_EQ(table.rowidAliasIndex(), c.alias) << c.sql;
        EXPECT_EQ(table.withoutRowid, c.withoutRowid) << c.sql;
    }
    TableSchema virtualTable;
    EXPECT_TRUE(parseCreateTable("CREATE VIRTUAL TABLE v USING fts4(a, b)", virtualTable));
    EXPECT_TRUE(virtualTable.isVirtual);
    TableSchema selected;
    EXPECT_FALSE(parseCreateTable("CREATE TABLE s AS SELECT 1", selected));
}

TEST(TableSchemaTest, AffinityAndShape)
{
    EXPECT_EQ(affinityOf("INT UNSIGNED"), Affinity::Integer);
    EXPECT_EQ(affinityOf("VARCHAR(20)"), Affinity::Text);
    EXPECT_EQ(affinityOf(""), Affinity::Blob);
    EXPECT_EQ(affinityOf("DOUBLE"), Affinity::Real);
    EXPECT_EQ(affinityOf("DECIMAL(10,2)"), Affinity::Numeric);
    TableSchema table;
    ASSERT_TRUE(parseCreateTable(
        "CREATE TABLE t (id INTEGER PRIMARY KEY, n TEXT NOT NULL, v REAL, b)", table));
    RecordShape shape = RecordShape::fromSchema(table);
    EXPECT_TRUE(shape.acceptsRecord({0, 15, 7, 14}));
    EXPECT_TRUE(shape.acceptsRecord({0, 15, 1, 0}));
    EXPECT_FALSE(shape.acceptsRecord({1, 15, 7, 14})) << "the rowid alias is stored as NULL";
    EXPECT_FALSE(shape.acceptsRecord({0, 0, 7, 14})) << "NOT NULL";
    EXPECT_FALSE(shape.acceptsRecord({0, 15, 15, 14})) << "text in a REAL column";
    EXPECT_FALSE(shape.acceptsRecord({0, 15, 7})) << "too few columns";
    shape.learn({0, 15, 15, 14});
    EXPECT_TRUE(shape.acceptsRecord({0, 15, 15, 14})) << "learned from a live row";
    const RecordShape inferred = RecordShape::inferred({{1, 15}, {2, 17}, {7}});
    EXPECT_EQ(inferred.allowed.size(), 2u);
    EXPECT_TRUE(inferred.acceptsRecord({7, 0}));
    EXPECT_FALSE(inferred.acceptsRecord({15, 15}));
}

} // namespace
} // namespace sqlitecarve
