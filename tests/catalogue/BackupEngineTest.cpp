// The backup engine: discovery at construction, opening plain and encrypted backups with their
// statuses and progress values, and clean-up of temporary files.
#include "catalogue/BackupEngine.h"

#include "FolderSnapshot.h"
#include "ScopedEnvironment.h"
#include "catalogue/BackupDiscovery.h"
#include "catalogue/BackupFiles.h"
#include "catalogue/Folders.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/ManifestDbWriter.h"
#include "fixtures/backup/MbdbWriter.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sqlite3.h>

#include <gtest/gtest.h>

using namespace catalogue;
using catalogue_test::ScopedEnvironment;
using testsupport::TempDir;

namespace {

struct Recorder
{
    std::vector<int> values;
    int answer = 0;
};

int record(void* userData, int progress)
{
    auto* recorder = static_cast<Recorder*>(userData);
    recorder->values.push_back(progress);
    return recorder->answer;
}

} // namespace

class BackupEngineTest : public ::testing::Test
{
protected:
    BackupEngineTest()
        : m_appData(m_dir.file("appdata"))
        , m_environment("BRENVALE_APPDATA", m_appData)
    {
        std::filesystem::create_directories(m_dir.file("temp"));
    }

    EngineOptions options(std::vector<std::string> roots = {})
    {
        return EngineOptions{std::move(roots), m_dir.file("temp")};
    }

    std::string root() const { return m_appData + "/Apple Computer/MobileSync/backup"; }

    std::string writePlain(const std::string& name, fixtures::ManifestKind kind)
    {
        fixtures::BackupDescription spec;
        spec.deviceName = name;
        spec.manifestKind = kind;
        spec.files = fixtures::sampleFiles(5);
        const std::string folder = root() + "/" + name;
        EXPECT_EQ(fixtures::writeBackup(spec, folder), platform::kStatusOk);
        return folder;
    }

    TempDir m_dir;
    std::string m_appData;
    ScopedEnvironment m_environment;
};

TEST_F(BackupEngineTest, ConstructionFindsTheDemoBackups)
{
    ASSERT_EQ(fixtures::writeDemo(root()), platform::kStatusOk);
    TempDir extra;
    fixtures::BackupDescription spec;
    spec.deviceName = "Elsewhere";
    spec.lastBackupDate = "2022-06-01T00:00:00Z";
    ASSERT_EQ(fixtures::writeBackup(spec, extra.file("dev")), platform::kStatusOk);

    BackupEngine engine(options({extra.path()}));
    EXPECT_EQ(engine.currentFolder(), root());
    EXPECT_EQ(engine.workFolder(), m_appData + "/KorimoBrenvale");
    EXPECT_TRUE(platform::folderExists(engine.workFolder()));
    EXPECT_EQ(engine.messageRowidMark(), kInitialRowidMark);
    EXPECT_FALSE(engine.selectedBackup().isEncrypted);

    std::vector<BackupInfo> list;
    ASSERT_EQ(engine.readBackupList(list), platform::kStatusOk);
    ASSERT_EQ(list.size(), 4u);
    const char* names[] = {"Elsewhere", "Ben's iPhone", "Cleo's iPad", "Anna's iPhone"};
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(list[i].displayName, names[i]);
    }
    EXPECT_EQ(list[1].phoneNumber, "+1 (555) 010-4477");
}

TEST_F(BackupEngineTest, MissingRootsGiveAnEmptyList)
{
    BackupEngine engine(options({m_dir.file("nowhere")}));
    EXPECT_TRUE(engine.backupFolders().empty());
    std::vector<BackupInfo> list;
    ASSERT_EQ(engine.readBackupList(list), platform::kStatusOk);
    EXPECT_TRUE(list.empty());
}

TEST_F(BackupEngineTest, OpensBothManifestKinds)
{
    for (const auto kind : {fixtures::ManifestKind::Db, fixtures::ManifestKind::Mbdb}) {
        const bool db = kind == fixtures::ManifestKind::Db;
        const std::string folder = writePlain(db ? "db" : "mbdb", kind);
        BackupEngine engine(options());
        BackupInfo info;
        ASSERT_EQ(readBackupInfo(folder, info), platform::kStatusOk);
        ASSERT_EQ(engine.selectBackup(info), platform::kStatusOk);
        EXPECT_EQ(engine.currentFolder(), folder);
        Recorder recorder;
        engine.setProgressCallback(record, &recorder);
        ASSERT_EQ(engine.openBackup(""), platform::kStatusOk);
        EXPECT_EQ(recorder.values, (std::vector<int>{0, 1, 12}));
        EXPECT_EQ(engine.progressStep(), 11);
        EXPECT_EQ(engine.hasManifestDb(), db);
        EXPECT_TRUE(engine.backupFolders().empty());
        // Manifest.db lists folders too; Manifest.mbdb leaves them out.
        EXPECT_EQ(engine.manifest().size(), db ? 13u : 11u);
        for (const ManifestEntry& entry : engine.manifest()) {
            if (entry.domainPath.find("IMG_") != std::string::npos) {
                EXPECT_TRUE(platform::fileExists(engine.filePath(entry.fileId)))
                    << entry.domainPath;
            }
        }
    }
}

TEST_F(BackupEngineTest, StatusesOfPlainBackups)
{
    struct Case
    {
        const char* name;
        std::function<void(const std::string&)> prepare;
        int status;
        std::size_t entries;
    };

    const Case cases[] = {
        {"no manifest", [](const std::string&) {}, platform::kStatusInvalid, 0},
        {"garbage Manifest.db",
         [](const std::string& f) { testsupport::writeFileBytes(f + "/Manifest.db", "junk junk"); },
         platform::kStatusQueryFailed,
         0},
        {"decrypted copy beside Manifest.db",
         [](const std::string& f) {
             testsupport::writeFileBytes(f + "/Manifest.db", "still encrypted");
             ASSERT_EQ(fixtures::writeManifestDb(f + "/Manifest.db-decypted",
                                                 {{"aaaa", "D", "p", 1, std::nullopt}}),
                       SQLITE_OK);
         },
         platform::kStatusOk,
         1},
        {"truncated Manifest.mbdb",
         [](const std::string& f) {
             const std::string bytes =
                 fixtures::encodeMbdb({fixtures::mbdbRecordFor({"D", "p", "x", {}, {}}),
                                       fixtures::mbdbRecordFor({"D", "q", "y", {}, {}})});
             testsupport::writeFileBytes(f + "/Manifest.mbdb", bytes.substr(0, bytes.size() - 3));
         },
         platform::kStatusTruncated,
         1},
        {"Manifest.mbdb with a wrong magic",
         [](const std::string& f) {
             testsupport::writeFileBytes(f + "/Manifest.mbdb", "MBDB\5\0");
         },
         platform::kStatusInvalid,
         0},
    };
    for (const Case& c : cases) {
        const std::string folder = m_dir.file(std::string("case-") + c.name);
        std::filesystem::create_directories(folder);
        c.prepare(folder);
        BackupEngine engine(options());
        BackupInfo info;
        info.folderPath = folder;
        ASSERT_EQ(engine.selectBackup(info), platform::kStatusOk);
        Recorder recorder;
        engine.setProgressCallback(record, &recorder);
        EXPECT_EQ(engine.openBackup(""), c.status) << c.name;
        EXPECT_EQ(recorder.values, (std::vector<int>{0, 1, 12})) << c.name;
        EXPECT_EQ(engine.manifest().size(), c.entries) << c.name;
    }
}

TEST_F(BackupEngineTest, EncryptedBackupTheToolCannotReadDoesNotOpen)
{
    const std::string folder = writePlain("enc", fixtures::ManifestKind::Db);
    BackupEngine engine(options());
    BackupInfo info;
    info.folderPath = folder;
    info.isEncrypted = true;
    ASSERT_EQ(engine.selectBackup(info), platform::kStatusOk);
    Recorder recorder;
    engine.setProgressCallback(record, &recorder);
    EXPECT_EQ(engine.openBackup("secret"), platform::kStatusInvalid);
    EXPECT_EQ(recorder.values, (std::vector<int>{0, 10}));
    EXPECT_TRUE(engine.manifest().empty());
    EXPECT_EQ(engine.currentFolder(), folder);
    EXPECT_EQ(engine.progressStep(), 10);
    // The backup's files were listed, sub-folders flattened.
    EXPECT_GT(engine.backupFiles().size(), 5u);
}

TEST_F(BackupEngineTest, EncryptedBackupThroughADecryptor)
{
    const std::string folder = writePlain("enc", fixtures::ManifestKind::Db);
    const std::string output = m_dir.file("temp/" + std::string(kDecryptOutputFolderName));

    struct Case
    {
        const char* name;
        int decryptStatus;
        int expected;
        std::vector<int> progress;
    };

    const Case cases[] = {
        {"wrong password", platform::kStatusWrongPassword, platform::kStatusWrongPassword, {0, 5}},
        {"stopped", platform::kStatusStopped, platform::kStatusStopped, {0, 5}},
        {"success", platform::kStatusOk, platform::kStatusOk, {0, 5, 15}},
    };
    for (const Case& c : cases) {
        BackupEngine engine(options());
        BackupInfo info;
        info.folderPath = folder;
        info.isEncrypted = true;
        ASSERT_EQ(engine.selectBackup(info), platform::kStatusOk);
        std::string givenPassword;
        engine.setDecryptor([&](BackupEngine& e,
                                const std::string& password,
                                const std::string& backupFolder,
                                std::string& out) {
            givenPassword = password;
            EXPECT_EQ(backupFolder, folder);
            e.setProgress(5);
            e.reportProgress(5);
            if (c.decryptStatus != platform::kStatusOk) {
                return c.decryptStatus;
            }
            EXPECT_EQ(platform::createFolders(output), platform::kStatusOk);
            const std::string id(kMessagesDbId);
            testsupport::writeFileBytes(output + "/" + id, "SQLite format 3");
            out = output;
            return platform::kStatusOk;
        });
        Recorder recorder;
        engine.setProgressCallback(record, &recorder);
        EXPECT_EQ(engine.openBackup("secret"), c.expected) << c.name;
        EXPECT_EQ(givenPassword, "secret");
        EXPECT_EQ(recorder.values, c.progress) << c.name;
        if (c.expected != platform::kStatusOk) {
            EXPECT_EQ(engine.currentFolder(), folder) << c.name;
            EXPECT_TRUE(engine.manifest().empty()) << c.name;
            continue;
        }
        // The manifest came from the backup's own folder; files are then found flat in the
        // output folder.
        EXPECT_EQ(engine.manifest().size(), 13u);
        EXPECT_EQ(engine.currentFolder(), output);
        EXPECT_EQ(engine.selectedBackup().folderPath, output);
        EXPECT_EQ(engine.backupFiles(),
                  std::vector<std::string>{output + "/" + std::string(kMessagesDbId)});
        EXPECT_EQ(engine.filePath(std::string(kMessagesDbId)),
                  output + "/" + std::string(kMessagesDbId));
        EXPECT_TRUE(platform::fileExists(engine.filePath(std::string(kMessagesDbId))));
    }
}

TEST_F(BackupEngineTest, CleanUpRemovesDecryptedCopiesAndPreviews)
{
    const std::string output = m_dir.file("temp/" + std::string(kDecryptOutputFolderName));
    std::filesystem::create_directories(output + "/sub");
    testsupport::writeFileBytes(output + "/a", "decrypted");
    testsupport::writeFileBytes(output + "/b", "decrypted");
    const std::string work = m_appData + "/KorimoBrenvale";
    std::filesystem::create_directories(work);
    for (const char* name : {"tmp.jpg", "tmp.avi", "tmp.wav", "keep.txt"}) {
        testsupport::writeFileBytes(work + "/" + name, "x");
    }
    {
        BackupEngine engine(options());
        EXPECT_FALSE(platform::fileExists(output + "/a"));
        EXPECT_FALSE(platform::fileExists(work + "/tmp.jpg"));
        testsupport::writeFileBytes(output + "/c", "decrypted later");
    }
    EXPECT_FALSE(platform::fileExists(output + "/c"));
    EXPECT_TRUE(platform::folderExists(output + "/sub"));
    EXPECT_TRUE(platform::fileExists(work + "/keep.txt"));
    for (const char* name : {"tmp.jpg", "tmp.avi", "tmp.wav"}) {
        EXPECT_FALSE(platform::fileExists(work + "/" + name)) << name;
    }
}

TEST_F(BackupEngineTest, RealBackupOpensWithoutChangingItsFolder)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    const auto before = catalogue_test::snapshotFolder(folder);
    BackupEngine engine(options({folder}));
    std::vector<BackupInfo> list;
    ASSERT_EQ(engine.readBackupList(list), platform::kStatusOk);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].displayName, "iPhone");
    ASSERT_EQ(engine.selectBackup(list[0]), platform::kStatusOk);
    ASSERT_EQ(engine.openBackup(""), platform::kStatusOk);
    EXPECT_EQ(engine.manifest().size(), 3721u);
    EXPECT_TRUE(engine.hasManifestDb());
    EXPECT_TRUE(platform::fileExists(engine.filePath(std::string(kMessagesDbId))));
    EXPECT_EQ(catalogue_test::snapshotFolder(folder), before);
}
