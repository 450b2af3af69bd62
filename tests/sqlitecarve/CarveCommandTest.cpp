// The carve command's contract (usage, exit statuses, JSON) and the value-line dumps.
#include "cli/CarveCommand.h"

#include "SqliteDbBuilder.h"
#include "sqlitecarve/ValueLineDump.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

namespace {

struct CarveRun
{
    int status;
    std::string out;
    std::string err;
};

CarveRun carve(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runCarve(args, out, err);
    return {status, out.str(), err.str()};
}

std::string smallDatabase(testsupport::TempDir& dir)
{
    const std::string path = dir.file("small.db");
    fixtures::SqliteDbBuilder builder;
    EXPECT_EQ(builder.create(path), 0);
    EXPECT_EQ(builder.exec("CREATE TABLE t (id INTEGER PRIMARY KEY, s TEXT, b BLOB, r REAL);"
                           "INSERT INTO t VALUES (1, CAST(x'41ff22' AS TEXT), x'00ab', 0.5);"
                           "INSERT INTO t VALUES (2, 'keep \"me\"\n', NULL, 1e300);"
                           "INSERT INTO t VALUES (3, 'gone', NULL, 2);"
                           "CREATE TABLE u (x); INSERT INTO u VALUES ('other');"
                           "DELETE FROM t WHERE id = 3;"),
              0)
        << builder.lastError();
    EXPECT_EQ(builder.close(), 0);
    return path;
}

TEST(CarveCommandTest, UsageAndExitStatuses)
{
    testsupport::TempDir dir;
    const std::string db = smallDatabase(dir);

    struct Case
    {
        std::vector<std::string> args;
        int status;
        const char* outContains;
        const char* errContains;
    };

    const Case cases[] = {
        {{"--help"}, 0, "usage: brenvale-cli carve", ""},
        {{}, 2, "", "missing DATABASE"},
        {{db, "--bogus"}, 2, "", "unknown option '--bogus'"},
        {{db, "--table"}, 2, "", "needs a table name"},
        {{db, "--live-only=yes"}, 2, "", "option '--live-only' takes no value"},
        {{db, db}, 2, "", "unexpected argument"},
        {{dir.file("absent.db")}, 1, "", "cannot read"},
        {{db, "--table", "nope"}, 1, "", "no table nope"},
        {{db, "--table=u"}, 0, "u\tlive\tlive", ""},
        {{db, "--table", "t"}, 0, "t\tdeleted\t", ""},
    };
    for (const Case& c : cases) {
        const CarveRun run = carve(c.args);
        EXPECT_EQ(run.status, c.status) << run.err;
        EXPECT_NE(run.out.find(c.outContains), std::string::npos) << run.out;
        EXPECT_NE(run.err.find(c.errContains), std::string::npos) << run.err;
    }
    EXPECT_NE(carve({db, "--bogus"}).err.find("usage:"), std::string::npos);
}

// Table names and texts come from the file: control characters in them must not reach the
// terminal raw, neither in rows nor in the messages that name a table.
TEST(CarveCommandTest, TextOutputEscapesControlCharacters)
{
    testsupport::TempDir dir;
    const std::string path = dir.file("hostile.db");
    fixtures::SqliteDbBuilder builder;
    ASSERT_EQ(builder.create(path), 0);
    ASSERT_EQ(builder.exec("CREATE TABLE \"a\x1b[2Jb\" (s TEXT);"
                           "INSERT INTO \"a\x1b[2Jb\" VALUES ('x\x07\x7fy');"),
              0)
        << builder.lastError();
    ASSERT_EQ(builder.close(), 0);

    const CarveRun rows = carve({path});
    EXPECT_EQ(rows.status, 0) << rows.err;
    EXPECT_NE(rows.out.find("a\\x1b[2Jb\tlive"), std::string::npos) << rows.out;
    EXPECT_NE(rows.out.find("x\\x07\\x7fy"), std::string::npos) << rows.out;
    const CarveRun missing = carve({path, "--table", "n\x1b[2J"});
    EXPECT_NE(missing.err.find("no table n\\x1b[2J"), std::string::npos) << missing.err;
    for (const std::string& text : {rows.out, rows.err, missing.err}) {
        EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    }
}

TEST(CarveCommandTest, JsonLinesEscapeEverything)
{
    testsupport::TempDir dir;
    const CarveRun run = carve({smallDatabase(dir), "--table", "t", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string expected[] = {
        "{\"table\": \"t\", \"deleted\": 0, \"origin\": \"live\", \"page\": 2, \"offset\": ",
        "\"rowid\": 1, \"values\": [1, \"A\xEF\xBF\xBD\\\"\", {\"hex\": \"00ab\"}, 0.5]}",
        "\"rowid\": 2, \"values\": [2, \"keep \\\"me\\\"\\n\", null, 1.0000000000000001e+300]}",
        "\"deleted\": 1, \"origin\": \"stale\"",
        "\"values\": [null, \"gone\", null, 2]}",
    };
    for (const std::string& part : expected) {
        EXPECT_NE(run.out.find(part), std::string::npos) << part << "\n" << run.out;
    }
}

TEST(ValueLineDumpTest, IdentifierFirstThenEveryValueKind)
{
    testsupport::TempDir dir;
    const std::string db = dir.file("t.db");
    fixtures::SqliteDbBuilder builder;
    ASSERT_EQ(builder.create(db), 0);
    ASSERT_EQ(builder.exec("CREATE TABLE t (a, id INTEGER PRIMARY KEY, b REAL, c BLOB, d);"
                           "INSERT INTO t VALUES ('O''Neil said \"hi\"', 5, 0.1, x'0aff', NULL);"
                           "INSERT INTO t VALUES (-7, 0, 1e300, x'', CAST(x'41ff' AS TEXT));"),
              0)
        << builder.lastError();
    ASSERT_EQ(builder.close(), 0);
    const std::string out = dir.file("lines.csv");
    ASSERT_EQ(sqlitecarve::dumpTableValueLines(db, "T", 254, out), 0);
    ASSERT_EQ(sqlitecarve::dumpTableValueLines(db, "t", 254, out), 0);
    const std::string lines = "255,-7,1.0000000000000001e+300,X'',\"A\xff\"\r\n"
                              "5,\"O''Neil said \"\"hi\"\"\",0.10000000000000001,X'0AFF',NULL\r\n";
    EXPECT_EQ(testsupport::readFileBytes(out), lines + lines)
        << "rowid 0 takes the mark + 1; a second dump appends";

    EXPECT_EQ(sqlitecarve::dumpTableValueLines(db, "absent", 0, dir.file("none.csv")), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.file("none.csv"))) << "no table, no file";
    EXPECT_NE(sqlitecarve::dumpTableValueLines(dir.file("absent.db"), "t", 0, out), 0);
    EXPECT_NE(sqlitecarve::dumpTableValueLines(db, "t", 0, dir.file("no/such/folder.csv")), 0);
}

} // namespace
