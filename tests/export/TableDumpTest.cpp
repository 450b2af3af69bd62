// The message and contact table dumps (sms.csv, Contacts.csv) byte for byte, written by
// `brenvale-cli export` on a backup whose messages database and address book are generated:
// identifiers first, every value kind, quotes doubled, and a deleted row that lost its rowid
// numbered after the largest rowid the scan met.
#include "SqliteDbBuilder.h"
#include "cli/Commands.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/devicedb/DeviceDbLocations.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sstream>

#include <gtest/gtest.h>

namespace {

// A backup file holding the database that `sql` builds.
fixtures::BackupFile databaseFile(testsupport::TempDir& dir,
                                  const fixtures::BackupLocation& location,
                                  const std::string& sql)
{
    const std::string path = dir.file(std::string(location.fileId));
    fixtures::SqliteDbBuilder builder;
    EXPECT_EQ(builder.create(path), 0);
    EXPECT_EQ(builder.exec(sql), 0) << builder.lastError();
    EXPECT_EQ(builder.close(), 0);
    fixtures::BackupFile file;
    file.domain = location.domain;
    file.relativePath = location.relativePath;
    file.content = testsupport::readFileBytes(path);
    return file;
}

// The one file called `name` below `root`, or empty when there is none.
std::string findFile(const std::string& root, const std::string& name)
{
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().filename() == name) {
            return entry.path().string();
        }
    }
    return {};
}

TEST(TableDumpTest, SmsAndContactsCsvBytes)
{
    testsupport::TempDir dir;
    fixtures::BackupDescription spec;
    spec.files.push_back(databaseFile(
        dir,
        fixtures::kSmsDbLocation,
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, guid TEXT, text TEXT, "
        "handle_id INTEGER, date INTEGER, is_from_me INTEGER, attributedBody BLOB, rate REAL);"
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, id TEXT);"
        "INSERT INTO handle VALUES (1, '+6421555');"
        "INSERT INTO message VALUES (1, 'G1', 'O''Neil said \"hi\"', 1, 600000000, 1, "
        "x'0aff', 0.1);"
        "INSERT INTO message VALUES (2, 'G2', 'gone but kept in the page', 1, -5, 0, x'', "
        "-2.5);"
        "INSERT INTO message VALUES (3, NULL, 'line' || char(13, 10) || 'two', 1, "
        "600000000000000000, 0, NULL, 1e300);"
        "DELETE FROM message WHERE ROWID = 2;"));
    spec.files.push_back(databaseFile(
        dir,
        fixtures::kAddressBookLocation,
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, c0First, "
        "c1Last, c2Organization, c3Phone, c4Email);"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (4, 'Anna', 'O''Hara', NULL, "
        "'+6421555 6421555 ', 'anna@example.org');"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (9, 'Bo', '', x'00', "
        "'+6422777 ', -1);"));
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

    const std::string out = dir.file("out");
    std::ostringstream stdOut;
    std::ostringstream stdErr;
    ASSERT_EQ(cli::runCli({"export",
                           dir.file("backup"),
                           "--out",
                           out,
                           "--categories",
                           "messages,contacts",
                           "--quiet"},
                          stdOut,
                          stdErr),
              0)
        << stdErr.str();

    EXPECT_EQ(testsupport::readFileBytes(out + "/Message/sms.csv"),
              "1,\"G1\",\"O''Neil said \"\"hi\"\"\",1,600000000,1,X'0AFF',0.10000000000000001\r\n"
              "3,NULL,\"line\r\ntwo\",1,600000000000000000,0,NULL,1.0000000000000001e+300\r\n"
              "4,\"G2\",\"gone but kept in the page\",1,-5,0,X'',-2.5\r\n");
    const std::string contacts = findFile(out + "/Contacts", "Contacts.csv");
    ASSERT_FALSE(contacts.empty());
    EXPECT_EQ(testsupport::readFileBytes(contacts),
              "4,\"Anna\",\"O''Hara\",NULL,\"+6421555 6421555 \",\"anna@example.org\"\r\n"
              "9,\"Bo\",\"\",X'00',\"+6422777 \",-1\r\n");
}

} // namespace
