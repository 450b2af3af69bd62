// `list` and `info` run in-process over generated backups, a damaged one among them, backups on
// a fake mounted disk, and the real backup fixture.
#include "catalogue/ScopedEnvironment.h"
#include "cli/Commands.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/InfoPlistWriter.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int status = 0;
    std::string out;
    std::string err;
};

CliRun runCli(const cli::CommandArgs& args)
{
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.status = cli::runCli(args, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

fixtures::BackupDescription
datedBackup(const std::string& name, const std::string& date, fixtures::ManifestKind kind)
{
    fixtures::BackupDescription spec;
    spec.deviceName = name;
    spec.lastBackupDate = date;
    spec.manifestKind = kind;
    spec.plistForm =
        kind == fixtures::ManifestKind::Db ? fixtures::PlistForm::Binary : fixtures::PlistForm::Xml;
    spec.files = fixtures::sampleFiles(7);
    return spec;
}

// Every file below `folder` with its size, to see that nothing was added or changed.
std::map<std::string, std::uintmax_t> snapshot(const std::string& folder)
{
    std::map<std::string, std::uintmax_t> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        files[entry.path().string()] = entry.is_regular_file() ? entry.file_size() : 0;
    }
    return files;
}

} // namespace

TEST(ListCommandTest, ListsBackupsOfEveryRootNewestFirst)
{
    testsupport::TempDir root;
    ASSERT_EQ(fixtures::writeBackup(
                  datedBackup("Old", "2013-02-01T10:00:00Z", fixtures::ManifestKind::Mbdb),
                  root.file("a")),
              0);
    ASSERT_EQ(
        fixtures::writeBackup(
            datedBackup("New", "2015-02-01T10:00:00Z", fixtures::ManifestKind::Db), root.file("b")),
        0);
    ASSERT_EQ(
        fixtures::writeBackup(
            datedBackup("Mid", "2014-02-01T10:00:00Z", fixtures::ManifestKind::Db), root.file("c")),
        0);
    testsupport::writeFileBytes(root.file("not-a-backup/readme"), "x");

    const CliRun run = runCli({"list", "--root", root.path(), "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    const std::size_t newer = run.out.find("\"New\"");
    const std::size_t middle = run.out.find("\"Mid\"");
    const std::size_t older = run.out.find("\"Old\"");
    ASSERT_NE(older, std::string::npos) << run.out;
    EXPECT_LT(newer, middle);
    EXPECT_LT(middle, older);
    EXPECT_EQ(run.out.find("not-a-backup"), std::string::npos);
    EXPECT_NE(run.out.find("\"isEncrypted\": false"), std::string::npos);
}

// A folder whose Info.plist is damaged is listed as unreadable after the good backups, and
// info and scan on it end with status 1 and say what is damaged.
TEST(ListCommandTest, DamagedFolderIsListedBesideTheGoodOnes)
{
    testsupport::TempDir root;
    ASSERT_EQ(fixtures::writeBackup(
                  datedBackup("Good", "2015-02-01T10:00:00Z", fixtures::ManifestKind::Db),
                  root.file("a")),
              0);
    ASSERT_EQ(
        fixtures::writeBackup(
            datedBackup("Bad", "2016-02-01T10:00:00Z", fixtures::ManifestKind::Db), root.file("b")),
        0);
    testsupport::writeFileBytes(root.file("b/Info.plist"),
                                fixtures::infoPlistBinaryWithNul(fixtures::BackupDescription{}));

    const CliRun json = runCli({"list", "--root", root.path(), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    const std::size_t good = json.out.find("\"damage\": \"\"");
    const std::size_t bad = json.out.find("\"damage\": \"damaged Info.plist\"");
    ASSERT_NE(bad, std::string::npos) << json.out;
    EXPECT_LT(json.out.find("\"Good\""), good);
    EXPECT_LT(good, bad);
    const CliRun text = runCli({"list", "--root", root.path()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("Good"), std::string::npos);
    EXPECT_NE(text.out.find("(unreadable)  damaged Info.plist\n    " + root.file("b")),
              std::string::npos)
        << text.out;

    for (const char* command : {"info", "scan"}) {
        const CliRun run = runCli({command, root.file("b")});
        EXPECT_EQ(run.status, 1) << command;
        EXPECT_NE(run.err.find("cannot be read: damaged Info.plist"), std::string::npos)
            << command << ": " << run.err;
    }
}

// --verbose says on standard error where the list looked and how each place went; an empty
// list names those places itself and how to look elsewhere.
TEST(ListCommandTest, SaysWhereItLooked)
{
    testsupport::TempDir base;
    const catalogue_test::ScopedEnvironment appData("BRENVALE_APPDATA", base.file("appdata"));
    const catalogue_test::ScopedEnvironment mounts("BRENVALE_MOUNT_ROOTS", base.file("mnt"));
    const std::string usual = base.file("appdata/Apple Computer/MobileSync/backup");
    const std::string mac =
        base.file("mnt/disk/Users/carol/Library/Application Support/MobileSync/Backup");
    const CliRun empty = runCli({"list"});
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(
        empty.out,
        "No backups found. Looked in:\n"
        "  not found  " +
            usual +
            "  (usual folder)\n"
            "  not found  " +
            base.file("mnt") +
            "  (user folders of the disks mounted here)\n"
            "To look elsewhere, name the folder with --root DIR: a backup, a folder of backups\n"
            "(such as MobileSync/Backup) or an idevicebackup2 target folder.\n");

    ASSERT_EQ(fixtures::writeBackup(
                  datedBackup("Mac", "2015-02-01T10:00:00Z", fixtures::ManifestKind::Db),
                  mac + "/00008030-001A2B3C4D5E802E"),
              0);
    const CliRun verbose = runCli({"list", "--verbose", "--root", base.file("none")});
    ASSERT_EQ(verbose.status, 0) << verbose.err;
    EXPECT_NE(verbose.out.find("  Mac  "), std::string::npos) << verbose.out;
    EXPECT_EQ(verbose.err,
              "Looked for backups in:\n"
              "  not found  " +
                  usual +
                  "  (usual folder)\n"
                  "  searched   " +
                  base.file("mnt") +
                  "  (user folders of the disks mounted here)\n"
                  "  searched   " +
                  mac +
                  "  (on a mounted disk)\n"
                  "  not found  " +
                  base.file("none") + "  (--root)\n");
    const CliRun json = runCli({"list", "--json"});
    EXPECT_TRUE(json.err.empty());
    EXPECT_NE(json.out.find("\"Mac\""), std::string::npos) << json.out;
}

TEST(ListCommandTest, UsageErrorsExitTwo)
{
    EXPECT_EQ(runCli({"list", "--bogus"}).status, 2);
    EXPECT_EQ(runCli({"list", "extra"}).status, 2);
    EXPECT_EQ(runCli({"nope"}).status, 2);
    EXPECT_EQ(runCli({}).status, 2);
    const CliRun help = runCli({"list", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: brenvale-cli list"), std::string::npos);
    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.starts_with("brenvale-cli ")) << version.out;
    EXPECT_NE(version.out.find_first_of("0123456789"), std::string::npos) << version.out;
}

TEST(InfoCommandTest, ReportsManifestKindAndCount)
{
    testsupport::TempDir root;
    fixtures::BackupDescription spec =
        datedBackup("Mbdb phone", "2012-01-01T00:00:00Z", fixtures::ManifestKind::Mbdb);
    ASSERT_EQ(fixtures::writeBackup(spec, root.file("m")), 0);
    const CliRun run = runCli({"info", root.file("m") + "/", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"manifestKind\": \"Manifest.mbdb\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"folderPath\": \"" + root.file("m") + "\""), std::string::npos);

    const CliRun missing = runCli({"info", root.file("none")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("holds no Info.plist file ("), std::string::npos) << missing.err;
    EXPECT_NE(missing.err.find(platform::statusName(platform::kStatusInvalid)), std::string::npos);
    EXPECT_EQ(runCli({"info"}).status, 2);
}

TEST(InfoCommandTest, ReadsTheRealBackupWithoutWritingIntoIt)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    const auto before = snapshot(folder);
    const CliRun run = runCli({"info", folder, "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"displayName\": \"iPhone\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"isVersion12OrLater\": true"), std::string::npos);
    EXPECT_NE(run.out.find("\"manifestKind\": \"Manifest.db\""), std::string::npos);
    EXPECT_NE(run.out.find("\"manifestEntries\": 3721"), std::string::npos);
    EXPECT_EQ(snapshot(folder), before);
}
