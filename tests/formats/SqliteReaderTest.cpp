// The read-only opener on paths that a URI could misread: every folder name below round-trips
// through the "file:" URI to the same file, and an immutable open writes nothing beside it.
#include "formats/SqliteReader.h"

#include "support/TempDir.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace {

// Creates `path` as a database holding one row with `value`.
void writeDatabase(const std::string& path, const std::string& value)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr),
        SQLITE_OK);
    const std::string sql = "CREATE TABLE t(x TEXT); INSERT INTO t VALUES('" + value + "');";
    EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

TEST(SqliteReaderTest, HostilePathsOpenTheFileTheyName)
{
    const char* const names[] = {
        "with space",
        "question?mode=rwc",
        "hash#fragment",
        "percent%41",
        "percent%",
        "non-ASCII ä€",
        "semi;colon&amp",
        "plus+equals=",
        "tab\tcontrol",
        "colon:at@",
    };
    testsupport::TempDir dir;
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const std::string folder = dir.file(name);
        std::filesystem::create_directory(folder);
        const std::string path = folder + "/" + name + ".db";
        writeDatabase(path, name);
        // A decoy where a URI that ended the path at "?", "#" or "%" would lead.
        const std::string decoy = path.substr(0, path.find_first_of("?#%"));
        if (decoy != path && !std::filesystem::exists(decoy)) {
            writeDatabase(decoy, "decoy");
        }

        // The same file also through a path that begins with "//", which a URI must not read
        // as a host name.
        for (const std::string& spelling : {path, "/" + path}) {
            formats::SqliteHandle db;
            ASSERT_EQ(formats::openReadOnly(spelling, formats::SqliteOpen::Immutable, db),
                      SQLITE_OK);
            formats::SqliteStatement statement;
            ASSERT_EQ(formats::prepareStatement(db.get(), "SELECT x FROM t", statement), SQLITE_OK);
            ASSERT_EQ(sqlite3_step(statement.get()), SQLITE_ROW);
            EXPECT_EQ(formats::columnText(statement.get(), 0), name);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                                std::filesystem::directory_iterator()),
                  1)
            << "nothing written beside the database";
    }
    formats::SqliteHandle db;
    EXPECT_EQ(formats::openReadOnly("", formats::SqliteOpen::Immutable, db), SQLITE_CANTOPEN);
    EXPECT_NE(formats::openReadOnly(dir.file("missing.db"), formats::SqliteOpen::Immutable, db),
              SQLITE_OK);
    EXPECT_EQ(db, nullptr);
}
