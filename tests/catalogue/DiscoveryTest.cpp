// Backup discovery: the backups roots (usual folders in any case, mounted disks, remembered and
// named folders), candidate folders, records and their order, the encryption probe and the date
// conversion.
#include "ScopedEnvironment.h"
#include "catalogue/BackupDiscovery.h"
#include "catalogue/BackupFiles.h"
#include "catalogue/Folders.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/InfoPlistWriter.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

using namespace catalogue;
using catalogue_test::ScopedEnvironment;
using testsupport::TempDir;

TEST(DateToLocalTest, AppliesTheStandardBiasOfTheZone)
{
    struct Case
    {
        const char* zone;
        const char* input;
        const char* expected;
    };

    const Case cases[] = {
        {"America/Los_Angeles", "2014-05-06 01:30:00", "2014-05-05 17:30:00"},
        // Daylight saving is not applied: summer and winter dates move by the same 8 hours.
        {"America/Los_Angeles", "2014-01-06 01:30:00", "2014-01-05 17:30:00"},
        {"Pacific/Chatham", "2014-05-06 01:30:00", "2014-05-06 14:15:00"},
        {"UTC", "2014-05-06 01:30:00Z", "2014-05-06 01:30:00"},
        // Fields out of range carry over.
        {"UTC", "2014-12-31 23:59:60", "2015-01-01 00:00:00"},
        {"UTC", "2014-05-06 01:30", ""},
        {"UTC", "2014-05-06", ""},
        {"UTC", "", ""},
        {"UTC", "0-00-00 00:00:00", ""},
        {"UTC", "99999-01-01 00:00:00", ""},
        {"UTC", "2014-01-01 999999999:00:00", ""},
        // Within the bias of the epoch: still a well-formed text.
        {"America/Los_Angeles", "1970-01-01 01:00:00", "1969-12-31 17:00:00"},
    };
    for (const Case& c : cases) {
        const ScopedEnvironment zone("TZ", c.zone);
        EXPECT_EQ(dateToLocal(c.input), c.expected) << c.zone << " " << c.input;
    }
}

TEST(DateToLocalTest, RestoresTheZoneOfTheProcess)
{
    const char* before = std::getenv("TZ");
    const std::string saved = before != nullptr ? before : "";
    {
        const ScopedEnvironment zone("TZ", "America/Los_Angeles");
    }
    const char* after = std::getenv("TZ");
    EXPECT_EQ(after != nullptr ? std::string(after) : std::string(), saved);
}

class DiscoveryTest : public ::testing::Test
{
protected:
    std::string writeBackup(const std::string& name,
                            const std::string& date,
                            fixtures::ManifestKind kind = fixtures::ManifestKind::Db)
    {
        fixtures::BackupDescription spec;
        spec.deviceName = name;
        spec.lastBackupDate = date;
        spec.serialNumber = "SN-" + name;
        spec.manifestKind = kind;
        const std::string folder = m_root.file(name);
        EXPECT_EQ(fixtures::writeBackup(spec, folder), platform::kStatusOk);
        return folder;
    }

    TempDir m_root;
};

TEST_F(DiscoveryTest, ListsLatestFirst)
{
    writeBackup("b2013", "2013-03-14T09:26:53Z");
    writeBackup("b2015", "2015-08-02T18:04:11Z");
    writeBackup("b2014", "2014-11-20T07:45:30Z");
    testsupport::writeFileBytes(m_root.file("stray.txt"), "not a backup");
    std::filesystem::create_directory(m_root.file("empty"));
    std::filesystem::create_directory(m_root.file(".hidden"));

    std::vector<std::string> folders;
    ASSERT_EQ(findBackupFolders({m_root.path(), m_root.file("missing")}, folders),
              platform::kStatusOk);
    EXPECT_EQ(folders.size(), 5u);
    std::vector<BackupInfo> list;
    ASSERT_EQ(readBackupList(folders, list), platform::kStatusOk);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].displayName, "b2015");
    EXPECT_EQ(list[1].displayName, "b2014");
    EXPECT_EQ(list[2].displayName, "b2013");
    EXPECT_EQ(list[0].serialNumber, "SN-b2015");
    EXPECT_EQ(list[0].folderPath, m_root.file("b2015"));
}

TEST_F(DiscoveryTest, SortIgnoresCaseAndKeepsEqualDatesInOrder)
{
    std::vector<BackupInfo> list(4);
    list[0].lastBackupDate = "a";
    list[0].displayName = "first a";
    list[1].lastBackupDate = "B";
    list[2].lastBackupDate = "A";
    list[2].displayName = "second a";
    list[3].lastBackupDate = "";
    sortBackupList(list);
    EXPECT_EQ(list[0].lastBackupDate, "B");
    EXPECT_EQ(list[1].displayName, "first a");
    EXPECT_EQ(list[2].displayName, "second a");
    EXPECT_EQ(list[3].lastBackupDate, "");
}

TEST_F(DiscoveryTest, RootThatIsItselfABackupIsListed)
{
    const std::string folder = writeBackup("single", "2014-01-01T00:00:00Z");
    std::vector<std::string> folders{"stale"};
    ASSERT_EQ(findBackupFolders({folder}, folders), platform::kStatusOk);
    ASSERT_FALSE(folders.empty());
    EXPECT_EQ(folders.front(), folder);
    std::vector<BackupInfo> list;
    ASSERT_EQ(readBackupList(folders, list), platform::kStatusOk);
    EXPECT_EQ(list.size(), 1u);
}

// A folder without an Info.plist file is no backup: its record is left alone and it is not
// listed. A folder whose Info.plist is damaged is listed as damaged beside the good ones.
TEST_F(DiscoveryTest, FoldersWithoutOrWithADamagedInfoPlist)
{
    writeBackup("good", "2014-01-01T00:00:00Z");
    std::filesystem::create_directory(m_root.file("noplist"));
    std::filesystem::create_directory(m_root.file("plistfolder"));
    std::filesystem::create_directory(m_root.file("plistfolder/Info.plist"));
    for (const char* name : {"missing", "noplist", "plistfolder"}) {
        BackupInfo info;
        info.displayName = "kept";
        EXPECT_EQ(readBackupInfo(m_root.file(name), info), platform::kStatusInvalid) << name;
        EXPECT_EQ(info.displayName, "kept") << name;
    }
    std::filesystem::create_directory(m_root.file("badbinary"));
    testsupport::writeFileBytes(m_root.file("badbinary/Info.plist"), "bplist00 garbage");
    std::filesystem::create_directory(m_root.file("nul"));
    testsupport::writeFileBytes(m_root.file("nul/Info.plist"),
                                fixtures::infoPlistBinaryWithNul(fixtures::BackupDescription{}));
    for (const char* name : {"badbinary", "nul"}) {
        BackupInfo info;
        info.displayName = "replaced";
        EXPECT_EQ(readBackupInfo(m_root.file(name) + "/", info), platform::kStatusCorrupt) << name;
        EXPECT_EQ(info.displayName, "") << name;
        EXPECT_EQ(info.folderPath, m_root.file(name)) << name;
        EXPECT_EQ(info.damage, "damaged Info.plist") << name;
    }

    std::vector<std::string> folders;
    ASSERT_EQ(findBackupFolders({m_root.path()}, folders), platform::kStatusOk);
    std::vector<BackupInfo> list;
    ASSERT_EQ(readBackupList(folders, list), platform::kStatusOk);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].displayName, "good");
    EXPECT_TRUE(list[0].damage.empty());
    EXPECT_FALSE(list[1].damage.empty());
    EXPECT_FALSE(list[2].damage.empty());
}

TEST_F(DiscoveryTest, ListedFoldersWithoutPhoneNumberHaveAnEmptyOne)
{
    fixtures::BackupDescription withPhone;
    withPhone.phoneNumber = "+1 555 0100";
    withPhone.lastBackupDate = "2015-01-01T00:00:00Z";
    fixtures::BackupDescription without;
    without.lastBackupDate = "2014-01-01T00:00:00Z";
    ASSERT_EQ(fixtures::writeBackup(withPhone, m_root.file("a")), platform::kStatusOk);
    ASSERT_EQ(fixtures::writeBackup(without, m_root.file("b")), platform::kStatusOk);
    std::vector<BackupInfo> list;
    ASSERT_EQ(readBackupList({m_root.file("a"), m_root.file("b")}, list), platform::kStatusOk);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].phoneNumber, "+1 555 0100");
    EXPECT_EQ(list[1].phoneNumber, "");
}

TEST_F(DiscoveryTest, ProbeEncrypted)
{
    struct Case
    {
        const char* name;
        bool manifestDb;
        const char* relative; // where the contacts database lies; empty: none
        std::string head;
        bool encrypted;
    };

    const std::string id(kContactsDbId);
    const Case cases[] = {
        {"plain two-level", true, "", "SQLite format 3", false},
        {"lower case", true, "", "sqlite format 3", false},
        {"ciphertext two-level", true, "", "\x8f\x12\x33garbage", true},
        {"ciphertext flat", false, "", "\x01\x02\x03\x04\x05\x06\x07", true},
        {"empty file", false, "", "", true},
        {"short file", false, "", "SQL", true},
        {"missing", false, nullptr, "", false},
        {"mddata suffix", false, ".mddata", "notsql", true},
        {"flat file in a two-level backup is not looked at", true, "flat", "notsql", false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.manifestDb) {
            testsupport::writeFileBytes(dir.file("Manifest.db"), "x");
        }
        if (c.relative != nullptr) {
            std::string path = c.manifestDb && std::string(c.relative) != "flat"
                                   ? dir.file(id.substr(0, 2) + "/" + id)
                                   : dir.file(id);
            if (std::string(c.relative) == ".mddata") {
                path += ".mddata";
            }
            std::filesystem::create_directories(std::filesystem::path(path).parent_path());
            testsupport::writeFileBytes(path, c.head);
        }
        EXPECT_EQ(probeEncrypted(dir.path()), c.encrypted) << c.name;
    }
}

TEST(DiscoveryRealTest, RealBackupFolder)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    BackupInfo info;
    ASSERT_EQ(readBackupInfo(folder, info), platform::kStatusOk);
    EXPECT_EQ(info.displayName, "iPhone");
    EXPECT_TRUE(info.isVersion12OrLater);
    EXPECT_FALSE(info.isEncrypted);
    EXPECT_EQ(info.folderPath, folder);
}

// Every place a backup can be kept is found through its kind of root, whatever the case of the
// folder names; backups outside the known shapes of a mounted disk are not.
TEST(RootSearchTest, FindsBackupsWhereverTheyAreKept)
{
    TempDir base;
    const ScopedEnvironment appData("BRENVALE_APPDATA", base.file("appdata"));
    const ScopedEnvironment mounts("BRENVALE_MOUNT_ROOTS",
                                   base.file("mnt") + ":" + base.file("nomount") + ":");

    struct Case
    {
        const char* name;
        const char* folder; // below the temporary folder; empty: no backup (the root itself)
        RootOrigin origin;  // where the backup must come from; Usual with `found` false: nowhere
        bool found;
    };

    const Case cases[] = {
        {"usual", "appdata/Apple Computer/MobileSync/Backup/u1", RootOrigin::Usual, true},
        {"usual upper", "appdata/APPLE COMPUTER/mobilesync/backup/u2", RootOrigin::Usual, true},
        {"windows roaming",
         "mnt/c/Users/bob/AppData/Roaming/Apple Computer/MobileSync/Backup/w1",
         RootOrigin::MountedDisk,
         true},
        {"windows newer",
         "mnt/c/Users/amy/Apple/MobileSync/Backup/w2",
         RootOrigin::MountedDisk,
         true},
        {"windows lower case",
         "mnt/d/users/dave/appdata/roaming/apple computer/mobilesync/backup/w3",
         RootOrigin::MountedDisk,
         true},
        {"mac below an owner folder",
         "mnt/alice/MacDisk/Users/carol/Library/Application Support/MobileSync/Backup/m1",
         RootOrigin::MountedDisk,
         true},
        {"outside the known shape",
         "mnt/c/Users/bob/Documents/Backup/x1",
         RootOrigin::Usual,
         false},
        {"too deep", "mnt/a/b/c/Users/eve/Apple/MobileSync/Backup/x2", RootOrigin::Usual, false},
        {"folder named Backup opened", "elsewhere/Backup/n1", RootOrigin::Named, true},
        {"idevicebackup2 target", "target/00008030-001A2B3C4D5E802E", RootOrigin::Named, true},
        {"single backup named", "single", RootOrigin::Named, true},
        {"remembered", "kept/r1", RootOrigin::Remembered, true},
    };
    for (const Case& c : cases) {
        fixtures::BackupDescription spec;
        spec.deviceName = c.name;
        ASSERT_EQ(fixtures::writeBackup(spec, base.file(c.folder)), platform::kStatusOk) << c.name;
    }
    ASSERT_EQ(rememberRoot(base.file("kept") + "/"), platform::kStatusOk);

    const std::vector<SearchedRoot> roots = searchBackupRoots(defaultRootSearch(
        {base.file("elsewhere/Backup"), base.file("target"), base.file("single")}));
    std::vector<std::string> folders;
    ASSERT_EQ(findBackupFolders(searchedPaths(roots), folders), platform::kStatusOk);
    std::vector<BackupInfo> list;
    ASSERT_EQ(readBackupList(folders, list), platform::kStatusOk);
    for (const Case& c : cases) {
        const std::string folder = base.file(c.folder);
        const bool listed = std::any_of(list.begin(), list.end(), [&](const BackupInfo& info) {
            return info.folderPath == folder && info.displayName == c.name;
        });
        EXPECT_EQ(listed, c.found) << c.name;
        const auto root = std::find_if(roots.begin(), roots.end(), [&](const SearchedRoot& r) {
            return r.origin != RootOrigin::MountPoint &&
                   (folder == r.path || folder.starts_with(r.path + "/"));
        });
        if (c.found) {
            ASSERT_NE(root, roots.end()) << c.name;
            EXPECT_EQ(root->origin, c.origin) << c.name;
            EXPECT_EQ(root->state, RootState::Searched) << c.name;
        }
    }
    EXPECT_EQ(list.size(), 10u);

    const auto state = [&](const std::vector<SearchedRoot>& searched, const std::string& path) {
        for (const SearchedRoot& root : searched) {
            if (root.path == path) {
                return root.state;
            }
        }
        ADD_FAILURE() << path << " was not searched";
        return RootState::Missing;
    };
    EXPECT_EQ(state(roots, base.file("mnt")), RootState::Searched);
    EXPECT_EQ(state(roots, base.file("nomount")), RootState::Missing);
    // A search out of time keeps what it found so far and says that it stopped.
    RootSearch hurried = defaultRootSearch({});
    hurried.timeLimit = std::chrono::milliseconds(0);
    const std::vector<SearchedRoot> stopped = searchBackupRoots(hurried);
    EXPECT_EQ(state(stopped, base.file("mnt")), RootState::TimedOut);
    EXPECT_EQ(
        std::count_if(stopped.begin(),
                      stopped.end(),
                      [](const SearchedRoot& r) { return r.origin == RootOrigin::MountedDisk; }),
        0);
}

// Opened folders are kept most recent first, each once, at most kMaxRememberedRoots of them;
// anything but an absolute path is refused when written and skipped when read.
TEST(RootSearchTest, RemembersOpenedFoldersMostRecentFirst)
{
    TempDir base;
    const ScopedEnvironment appData("BRENVALE_APPDATA", base.file("appdata"));
    EXPECT_TRUE(rememberedRoots().empty());
    EXPECT_EQ(rememberRoot("relative/folder"), platform::kStatusInvalid);
    EXPECT_EQ(rememberRoot("/with\nbreak"), platform::kStatusInvalid);
    for (std::size_t i = 0; i <= kMaxRememberedRoots; ++i) {
        ASSERT_EQ(rememberRoot("/r" + std::to_string(i)), platform::kStatusOk);
    }
    ASSERT_EQ(rememberRoot("/r3//"), platform::kStatusOk);
    std::vector<std::string> roots = rememberedRoots();
    ASSERT_EQ(roots.size(), kMaxRememberedRoots);
    EXPECT_EQ(roots[0], "/r3");
    EXPECT_EQ(roots[1], "/r" + std::to_string(kMaxRememberedRoots));
    EXPECT_EQ(std::count(roots.begin(), roots.end(), "/r3"), 1);
    EXPECT_EQ(std::count(roots.begin(), roots.end(), "/r0"), 0);

    const std::string file = base.file("appdata/KorimoBrenvale/BackupRoots.txt");
    testsupport::writeFileBytes(file, "relative\r\n/a\r\n\n/a/\n/b");
    EXPECT_EQ(rememberedRoots(), (std::vector<std::string>{"/a", "/b"}));
    testsupport::writeFileBytes(file, std::string(kMaxRememberedRootsBytes + 1, '/'));
    EXPECT_TRUE(rememberedRoots().empty());
}
