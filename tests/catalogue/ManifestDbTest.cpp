// Manifest.db: the rows and how domainPath is formed, failures of opening and querying, and
// reading without writing anything beside the database.
#include "catalogue/ManifestDb.h"

#include "FolderSnapshot.h"
#include "fixtures/backup/ManifestDbWriter.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace catalogue;
using testsupport::TempDir;

namespace {

void exec(const std::string& path, const char* sql)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST(ManifestDbTest, RowsAndDomainPaths)
{
    TempDir dir;
    const std::string path = dir.file("Manifest.db");
    const std::vector<fixtures::ManifestDbRow> rows = {
        {"aaaa", "MediaDomain", std::nullopt, fixtures::kFlagsFolder, std::nullopt},
        {"bbbb", "MediaDomain", "", fixtures::kFlagsFolder, std::nullopt},
        {"cccc",
         "CameraRollDomain",
         "Media/DCIM/100APPLE/IMG_0001.HEIC",
         fixtures::kFlagsFile,
         std::nullopt},
        {"dddd", std::nullopt, "Library/orphan", fixtures::kFlagsFile, std::nullopt},
        {"eeee", std::nullopt, std::nullopt, fixtures::kFlagsFile, std::nullopt},
        {"ffff", "HomeDomain", "Library/Ünïcödé name.txt", fixtures::kFlagsFile, std::nullopt},
    };
    ASSERT_EQ(fixtures::writeManifestDb(path, rows), SQLITE_OK);
    std::vector<ManifestEntry> manifest{{"stale", "stale"}};
    ASSERT_EQ(readManifestDb(path, manifest), platform::kStatusOk);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"aaaa", "MediaDomain"},
        {"bbbb", "MediaDomain-"},
        {"cccc", "CameraRollDomain-Media/DCIM/100APPLE/IMG_0001.HEIC"},
        {"dddd", "-Library/orphan"},
        {"eeee", ""},
        {"ffff", "HomeDomain-Library/Ünïcödé name.txt"},
    };
    ASSERT_EQ(manifest.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(manifest[i].fileId, expected[i].first);
        EXPECT_EQ(manifest[i].domainPath, expected[i].second);
    }
}

TEST(ManifestDbTest, FailuresGiveTheirStatusAndAnEmptyManifest)
{
    TempDir dir;
    testsupport::writeFileBytes(dir.file("garbage.db"), std::string(4096, '\x5A'));
    testsupport::writeFileBytes(dir.file("empty.db"), "");
    std::string encrypted;
    for (int i = 0; i < 8192; ++i) {
        encrypted += static_cast<char>((i * 7919 + 13) & 0xFF);
    }
    testsupport::writeFileBytes(dir.file("encrypted.db"), encrypted);
    exec(dir.file("other.db"), "CREATE TABLE Other (x);");
    exec(dir.file("noblob.db"), "CREATE TABLE Files (fileID TEXT, domain TEXT);");

    struct Case
    {
        const char* name;
        int status;
    };

    const Case cases[] = {
        {"missing.db", platform::statusFromSqlite(SQLITE_CANTOPEN)},
        {"garbage.db", platform::kStatusQueryFailed},
        {"encrypted.db", platform::kStatusQueryFailed},
        {"empty.db", platform::kStatusQueryFailed},
        {"other.db", platform::kStatusQueryFailed},
        {"noblob.db", platform::kStatusQueryFailed},
    };
    for (const Case& c : cases) {
        std::vector<ManifestEntry> manifest{{"stale", "stale"}};
        EXPECT_EQ(readManifestDb(dir.file(c.name), manifest), c.status) << c.name;
        EXPECT_TRUE(manifest.empty()) << c.name;
    }
    std::vector<ManifestEntry> manifest;
    EXPECT_EQ(readManifestDb(dir.path(), manifest), platform::statusFromSqlite(SQLITE_IOERR));
}

TEST(ManifestDbTest, WritesNothingBesideTheDatabase)
{
    TempDir dir;
    // Names that mean something in a URI must stay part of the path.
    const std::string folder = dir.file("odd ?#% name");
    std::filesystem::create_directory(folder);
    const std::string path = folder + "/Manifest.db";
    ASSERT_EQ(fixtures::writeManifestDb(
                  path, {{"aaaa", "D", "p", 1, std::nullopt}, {"bbbb", "D", "q", 1, std::nullopt}}),
              SQLITE_OK);
    // A journal left beside the database (as after an interrupted write) is not touched either.
    testsupport::writeFileBytes(path + "-journal", "");
    const auto before = catalogue_test::snapshotFolder(folder);
    std::vector<ManifestEntry> manifest;
    ASSERT_EQ(readManifestDb(path, manifest), platform::kStatusOk);
    EXPECT_EQ(manifest.size(), 2u);
    EXPECT_EQ(catalogue_test::snapshotFolder(folder), before);
}

TEST(ManifestDbTest, RowsStillInTheWriteAheadLogAreRead)
{
    TempDir dir;
    const std::string path = dir.file("Manifest.db");
    ASSERT_EQ(fixtures::writeManifestDb(path, {{"aaaa", "D", "p", 1, std::nullopt}}), SQLITE_OK);
    // Leave a second row in the log: keep a connection open so that closing does not fold the
    // log back, copy the three files away while it is open.
    sqlite3* writer = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(writer,
                           "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;"
                           "INSERT INTO Files (fileID, domain, relativePath, flags) "
                           "VALUES ('bbbb', 'D', 'q', 1);",
                           nullptr,
                           nullptr,
                           nullptr),
              SQLITE_OK);
    const std::string copyFolder = dir.file("copy");
    std::filesystem::create_directory(copyFolder);
    for (const char* suffix : {"", "-wal"}) {
        std::filesystem::copy_file(path + suffix, copyFolder + "/Manifest.db" + suffix);
    }
    sqlite3_close(writer);

    const auto before = catalogue_test::snapshotFolder(copyFolder);
    std::vector<ManifestEntry> manifest;
    ASSERT_EQ(readManifestDb(copyFolder + "/Manifest.db", manifest), platform::kStatusOk);
    ASSERT_EQ(manifest.size(), 2u);
    EXPECT_EQ(manifest[1].fileId, "bbbb");
    EXPECT_EQ(catalogue_test::snapshotFolder(copyFolder), before);
}

TEST(ManifestDbTest, RealManifestLeavesTheFolderUnchanged)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    const auto before = catalogue_test::snapshotFolder(folder);
    std::vector<ManifestEntry> manifest;
    ASSERT_EQ(readManifestDb(folder + "/Manifest.db", manifest), platform::kStatusOk);
    EXPECT_EQ(manifest.size(), 3721u);
    const auto sms = std::find_if(manifest.begin(), manifest.end(), [](const ManifestEntry& e) {
        return e.domainPath == "HomeDomain-Library/SMS/sms.db";
    });
    ASSERT_NE(sms, manifest.end());
    EXPECT_EQ(sms->fileId, "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    EXPECT_EQ(catalogue_test::snapshotFolder(folder), before);
}
