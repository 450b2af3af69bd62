// Following the decryption tool: its output markers, progress values, the password on its
// standard input, stops and failures. Stub tools written as shell scripts stand in for it.
#include "catalogue/ToolDecryption.h"

#include "catalogue/BackupDiscovery.h"
#include "catalogue/BackupEngine.h"
#include "catalogue/Folders.h"
#include "fixtures/encrypt/EncryptedBackupWriter.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace catalogue;

namespace {

struct Recorder
{
    std::vector<int> values;
    int stopAt = -1;
};

int record(void* userData, int value)
{
    auto* recorder = static_cast<Recorder*>(userData);
    recorder->values.push_back(value);
    return value == recorder->stopAt ? platform::kStatusStopped : 0;
}

class ToolDecryptionTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ::setenv("BRENVALE_APPDATA", m_appData.path().c_str(), 1);
        for (int i = 0; i < 200; ++i) {
            testsupport::writeFileBytes(m_backup.file("f" + std::to_string(i)), "x");
        }
    }

    // Writes a stub tool running `script` under /bin/sh and returns its path.
    std::string stubTool(const std::string& script)
    {
        const std::string path = m_appData.file("stub-tool");
        testsupport::writeFileBytes(path, "#!/bin/sh\n" + script);
        ::chmod(path.c_str(), 0755);
        return path;
    }

    // Opens the 200-file encrypted backup through `tool`; returns openBackup's status.
    int openWith(const std::string& tool, const std::string& password = "pw")
    {
        BackupInfo info;
        info.folderPath = m_backup.path();
        info.isEncrypted = true;
        m_engine = std::make_unique<BackupEngine>(EngineOptions{{}, m_temp.path()});
        m_engine->setDecryptor(toolDecryptor(tool));
        m_engine->setProgressCallback(record, &m_recorder);
        (void)m_engine->selectBackup(info);
        return m_engine->openBackup(password);
    }

    testsupport::TempDir m_appData;
    testsupport::TempDir m_backup;
    testsupport::TempDir m_temp;
    Recorder m_recorder;
    std::unique_ptr<BackupEngine> m_engine;
};

} // namespace

TEST(ToolOutputTest, MarkersAndCounts)
{
    const struct
    {
        const char* text;
        bool wrong;
        bool hasCount;
        std::int64_t count;
    } rows[] = {
        {"Count:0\n", false, true, 0},
        {"Count: 100\n", false, true, 100},
        {"Count:5\nCount:7\n", false, true, 7},
        {"Count:3\nWrong password\n", true, true, 3},
        {"nothing\n", false, false, 0},
        {"Count:\n", false, true, 0},
    };

    for (const auto& row : rows) {
        const ToolOutput output = parseToolOutput(row.text);
        EXPECT_EQ(output.wrongPassword, row.wrong) << row.text;
        EXPECT_EQ(output.hasCount, row.hasCount) << row.text;
        EXPECT_EQ(output.count, row.count) << row.text;
    }
}

TEST_F(ToolDecryptionTest, CountsBecomeProgressOverTheBackupsFiles)
{
    const std::string tool =
        stubTool("echo Count:0\nsleep 0.2\necho 'Count: 100'\nsleep 0.2\necho Count:200\n");
    EXPECT_EQ(openWith(tool), platform::kStatusInvalid) << "no manifest in the output";
    // 0 at the start; 1 at the first count; 1 + 10 × done / 200 per count; 11 after the tool;
    // 11 again as the engine's own final step.
    EXPECT_EQ(m_recorder.values, (std::vector<int>{0, 1, 1, 6, 11, 11, 11}));
}

TEST_F(ToolDecryptionTest, WrongPasswordWinsOverCountsAndSurvivesASplitRead)
{
    EXPECT_EQ(openWith(stubTool("printf 'Count:1\\nWrong password\\n'\n")),
              platform::kStatusWrongPassword);
    EXPECT_EQ(m_recorder.values, (std::vector<int>{0, 10}));
    EXPECT_EQ(m_engine->currentFolder(), m_backup.path());

    m_recorder.values.clear();
    EXPECT_EQ(openWith(stubTool("printf 'Wrong pa'\nsleep 0.2\nprintf 'ssword\\n'\n")),
              platform::kStatusWrongPassword);
}

TEST_F(ToolDecryptionTest, PasswordArrivesOnStandardInputNeverOnTheCommandLine)
{
    const std::string tool = stubTool("read -r password\n"
                                      "printf '%s' \"$password\" > \"$2/password\"\n"
                                      "printf '%s\\n' \"$#\" \"$1\" > \"$2/arguments\"\n"
                                      "echo Count:1\n");
    (void)openWith(tool, "two words é");
    const std::string output = m_engine->currentFolder();
    EXPECT_NE(output, m_backup.path()) << "files are then looked up in the output folder";
    EXPECT_EQ(testsupport::readFileBytes(output + "/password"), "two words é");
    EXPECT_EQ(testsupport::readFileBytes(output + "/arguments"), "2\n" + m_backup.path() + "\n");

    struct stat info
    {};

    ASSERT_EQ(::stat(output.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_F(ToolDecryptionTest, StopMissingToolAndSilentTool)
{
    m_recorder.stopAt = 1;
    EXPECT_EQ(openWith(stubTool("echo Count:0\nsleep 30\n")), platform::kStatusStopped);

    m_recorder = {};
    EXPECT_EQ(openWith(m_appData.file("no-such-tool")), platform::kStatusInvalid);

    m_recorder = {};
    EXPECT_EQ(openWith(stubTool("exit 0\n")), platform::kStatusInvalid)
        << "a silent tool is a success; the missing manifest then gives 87";
    EXPECT_EQ(m_recorder.values, (std::vector<int>{0, 10, 10}));
}

TEST(EncryptedBackupOpenTest, RealToolOpensBothErasAndRefusesAWrongPassword)
{
    const std::vector<fixtures::EncryptedFile> files = {
        {"HomeDomain", "Library/SMS/sms.db", "SQLite format 3" + std::string(600, 's'), 3},
        {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", std::string(5000, 'j'), 4},
    };
    for (const auto era : {fixtures::BackupEra::Ios10_2AndLater, fixtures::BackupEra::Ios4To10_1}) {
        testsupport::TempDir appData;
        testsupport::TempDir backup;
        testsupport::TempDir temp;
        ::setenv("BRENVALE_APPDATA", appData.path().c_str(), 1);
        fixtures::EncryptedBackupOptions options;
        options.era = era;
        options.password = "pass word é";
        ASSERT_EQ(fixtures::writeEncryptedBackup(backup.path(), files, options), 0);

        BackupInfo info;
        ASSERT_EQ(readBackupInfo(backup.path(), info), 0);
        EXPECT_TRUE(info.isEncrypted) << "Manifest.plist says so";
        BackupEngine engine(EngineOptions{{}, temp.path()});
        (void)engine.selectBackup(info);
        EXPECT_EQ(engine.openBackup("wrong"), platform::kStatusWrongPassword);
        EXPECT_EQ(engine.currentFolder(), backup.path());
        std::vector<std::string> left;
        (void)platform::listFolderEntries(temp.file(std::string(kDecryptOutputFolderName)), left);
        EXPECT_TRUE(left.empty());

        ASSERT_EQ(engine.openBackup(options.password), 0);
        EXPECT_NE(engine.currentFolder(), backup.path());
        for (const auto& file : files) {
            const std::string id = fixtures::fileIdOf(file.domain, file.relativePath);
            EXPECT_TRUE(
                std::any_of(engine.manifest().begin(),
                            engine.manifest().end(),
                            [&](const ManifestEntry& entry) { return entry.fileId == id; }));
            EXPECT_EQ(testsupport::readFileBytes(engine.filePath(id)), file.bytes);
        }
    }
}
