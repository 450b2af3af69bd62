// An encrypted backup scanned with its password gives exactly the records of the same backup
// unencrypted, for both eras of encryption and for passwords with blanks and non-ASCII
// letters; a wrong password ends the scan with a clear message and leaves nothing decrypted.
#include "CliProcess.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/encrypt/EncryptedBackupWriter.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <regex>

#include <gtest/gtest.h>

namespace {

struct EraCase
{
    const char* name;
    fixtures::BackupEra era;
    fixtures::ManifestKind plainKind;
    bool currentLayouts;
    const char* password;
};

void PrintTo(const EraCase& c, std::ostream* out)
{
    *out << c.name;
}

// The "categories" member of a scan's JSON, without the backup's own record and with every
// file path cut to its file name: the decrypted copies lie in another folder.
std::string categoriesOf(const std::string& json)
{
    const std::size_t at = json.find("\"categories\"");
    if (at == std::string::npos) {
        return {};
    }
    static const std::regex kPathFolder(R"("path": "[^"]*/)");
    return std::regex_replace(json.substr(at), kPathFolder, R"("path": ")");
}

class EncryptedScanTest : public testing::TestWithParam<EraCase>
{
protected:
    // Writes the same device files as a plain backup and as an encrypted one.
    void writeBothBackups()
    {
        const EraCase& c = GetParam();
        fixtures::DeviceFilesOptions device;
        device.currentLayouts = c.currentLayouts;
        device.messages = 60;
        device.contacts = 12;
        device.calls = 20;
        device.notes = 8;
        device.whatsAppMessages = 40;
        std::vector<fixtures::BackupFile> files = fixtures::sampleFiles(5);
        ASSERT_EQ(fixtures::deviceDatabaseFiles(device, m_dir.file("scratch"), files), 0);

        fixtures::BackupDescription plain;
        plain.manifestKind = c.plainKind;
        plain.productVersion = c.currentLayouts ? "14.3" : "9.3.5";
        plain.files = files;
        ASSERT_EQ(fixtures::writeBackup(plain, m_dir.file("plain")), 0);

        std::vector<fixtures::EncryptedFile> encrypted;
        for (const fixtures::BackupFile& file : files) {
            if (file.kind == fixtures::FileKind::File) {
                encrypted.push_back({file.domain, file.relativePath, file.content, 3});
            }
        }
        fixtures::EncryptedBackupOptions options;
        options.era = c.era;
        options.password = c.password;
        options.topLevelFiles = {
            {"Info.plist", testsupport::readFileBytes(m_dir.file("plain/Info.plist"))}};
        ASSERT_EQ(fixtures::writeEncryptedBackup(m_dir.file("encrypted"), encrypted, options), 0);
    }

    testsupport::TempDir m_dir;
};

} // namespace

TEST_P(EncryptedScanTest, SameRecordsAsThePlainBackup)
{
    ASSERT_NO_FATAL_FAILURE(writeBothBackups());
    const e2e::CliRun plain =
        e2e::runCli("scan", e2e::quoted(m_dir.file("plain")) + " --json --quiet", m_dir);
    ASSERT_EQ(plain.exitStatus, 0) << plain.err;
    const e2e::CliRun encrypted =
        e2e::runCli("scan",
                    e2e::quoted(m_dir.file("encrypted")) + " --password-stdin --json --quiet",
                    m_dir,
                    std::string(GetParam().password) + "\n");
    ASSERT_EQ(encrypted.exitStatus, 0) << encrypted.err;
    EXPECT_NE(encrypted.out.find("\"isEncrypted\": true"), std::string::npos);
    EXPECT_NE(categoriesOf(plain.out).find("\"deleted\": 1"), std::string::npos);
    EXPECT_EQ(categoriesOf(encrypted.out), categoriesOf(plain.out));
}

TEST_P(EncryptedScanTest, WrongPasswordStopsWithAClearMessage)
{
    ASSERT_NO_FATAL_FAILURE(writeBothBackups());
    const e2e::CliRun run = e2e::runCli("scan",
                                        e2e::quoted(m_dir.file("encrypted")) + " --password-stdin",
                                        m_dir,
                                        "not the password\n");
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("password"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("-110"), std::string::npos) << run.out;
    // Nothing decrypted is left behind anywhere under the application's folders.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_dir.file("appdata"))) {
        EXPECT_FALSE(entry.is_regular_file()) << entry.path();
    }
}

INSTANTIATE_TEST_SUITE_P(Eras,
                         EncryptedScanTest,
                         testing::Values(EraCase{"Current",
                                                 fixtures::BackupEra::Ios10_2AndLater,
                                                 fixtures::ManifestKind::Db,
                                                 true,
                                                 "0000"},
                                         EraCase{"CurrentWithBlanks",
                                                 fixtures::BackupEra::Ios10_2AndLater,
                                                 fixtures::ManifestKind::Db,
                                                 true,
                                                 " two words "},
                                         EraCase{"OlderNonAscii",
                                                 fixtures::BackupEra::Ios4To10_1,
                                                 fixtures::ManifestKind::Mbdb,
                                                 false,
                                                 "Pässwörd ключ"}),
                         [](const testing::TestParamInfo<EraCase>& param) {
                             return std::string(param.param.name);
                         });
