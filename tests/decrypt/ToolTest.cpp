// The `tool` executable run as a child process, as the engine runs it: password on standard
// input, "Count:" progress and "Wrong password" on standard output, byte-for-byte outputs.
#include "TestHelpers.h"
#include "decrypt/BackupDecryptor.h"
#include "formats/ManifestNames.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <sstream>
#include <sys/stat.h>

#include <gtest/gtest.h>

using fixtures::BackupEra;
using testsupport::readFileBytes;
using testsupport::TempDir;

namespace {

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

struct ToolCase
{
    const char* name;
    BackupEra era;
    std::string password;
};

class ToolTest : public ::testing::TestWithParam<ToolCase>
{};

} // namespace

TEST_P(ToolTest, DecryptsWithThePasswordFromStandardInput)
{
    const ToolCase& c = GetParam();
    TempDir dir;
    const auto files = decrypttest::sampleFiles();
    fixtures::EncryptedBackupOptions options;
    options.era = c.era;
    options.password = c.password;
    ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("backup"), files, options), 0);
    const auto before = decrypttest::snapshot(dir.file("backup"));

    const auto run = decrypttest::runTool({dir.file("backup"), dir.file("out")}, c.password + "\n");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i <= files.size(); ++i) {
        expected.push_back("Count: " + std::to_string(i));
    }
    EXPECT_EQ(lines(run.out), expected);

    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out"))) {
        written.insert(entry.path().filename().string());
    }
    std::set<std::string> wanted;
    for (const auto& file : files) {
        const std::string id = fixtures::fileIdOf(file.domain, file.relativePath);
        wanted.insert(id);
        EXPECT_EQ(readFileBytes(dir.file("out") + "/" + id), file.bytes) << file.relativePath;
    }
    if (c.era == BackupEra::Ios10_2AndLater) {
        wanted.insert(formats::kDecryptedManifestDbName);
    }
    EXPECT_EQ(written, wanted);
    EXPECT_EQ(decrypttest::snapshot(dir.file("backup")), before);

    struct stat info
    {};

    ASSERT_EQ(::stat(dir.file("out").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
}

TEST_P(ToolTest, WrongPasswordIsPrintedAndNothingIsLeft)
{
    const ToolCase& c = GetParam();
    TempDir dir;
    fixtures::EncryptedBackupOptions options;
    options.era = c.era;
    options.password = c.password;
    ASSERT_EQ(
        fixtures::writeEncryptedBackup(dir.file("backup"), decrypttest::sampleFiles(), options), 0);
    // A password cut at its first blank, as an unquoted command line would cut it, is wrong.
    const std::string wrong = c.password.substr(0, c.password.size() - 1);
    const auto run = decrypttest::runTool({dir.file("backup"), dir.file("out")}, wrong + "\r\n");
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_EQ(run.out, "Wrong password\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

INSTANTIATE_TEST_SUITE_P(
    ErasAndPasswords,
    ToolTest,
    ::testing::Values(ToolCase{"Later0000", BackupEra::Ios10_2AndLater, "0000"},
                      ToolCase{"LaterSpaces", BackupEra::Ios10_2AndLater, " my backup pass "},
                      ToolCase{"LaterNonAscii", BackupEra::Ios10_2AndLater, "Pässwörd ключ 🔑"},
                      ToolCase{"Older0000", BackupEra::Ios4To10_1, "0000"},
                      ToolCase{"OlderSpaces", BackupEra::Ios4To10_1, "a b c"},
                      ToolCase{"OlderNonAscii", BackupEra::Ios4To10_1, "密码 mot de passe"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ToolUsageTest, BadArgumentsAndMissingBackupEndWithAMessage)
{
    TempDir dir;

    struct Case
    {
        const char* name;
        std::vector<std::string> arguments;
        const char* message;
    };

    const std::vector<Case> cases = {
        {"password on the command line", {dir.path(), dir.file("out"), "0000"}, "Usage"},
        {"no arguments", {}, "Usage"},
        {"no Manifest.plist", {dir.path(), dir.file("out")}, "Manifest.plist"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = decrypttest::runTool(c.arguments, "0000\n");
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
}

TEST(ToolUsageTest, FileProblemsGoToStandardErrorAndTheExitCode)
{
    TempDir dir;
    const auto files = decrypttest::sampleFiles();
    fixtures::EncryptedBackupOptions options;
    ASSERT_EQ(fixtures::writeEncryptedBackup(dir.file("backup"), files, options), 0);
    const std::string id = fixtures::fileIdOf(files[0].domain, files[0].relativePath);
    std::filesystem::remove(fixtures::contentPathOf(dir.file("backup"), options.era, id));

    const auto run = decrypttest::runTool({dir.file("backup"), dir.file("out")}, "0000");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(lines(run.out).back(), "Count: " + std::to_string(files.size()));
    EXPECT_NE(run.err.find("Warning: " + id + ": the content file is missing"), std::string::npos)
        << run.err;
}
