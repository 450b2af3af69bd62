// `brenvale-cli export` in-process on a generated backup with every device database: the
// folder layout, copies, dumps, the final counts, --deleted-only and an output that cannot be
// written.
#include "cli/Commands.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

struct Outcome
{
    int status;
    std::string out;
    std::string err;
};

Outcome runCli(const std::vector<std::string>& args)
{
    std::ostringstream out;
    std::ostringstream err;
    const int status = cli::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

class ExportCommandTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = new testsupport::TempDir;
        fixtures::BackupDescription spec;
        spec.deviceName = "Test Phone";
        spec.productVersion = "14.3";
        spec.files = fixtures::sampleFiles(5);
        fixtures::DeviceFilesOptions options;
        options.conversations = 4;
        options.messages = 40;
        options.contacts = 10;
        options.calls = 12;
        options.notes = 6;
        options.whatsAppMessages = 30;
        ASSERT_EQ(fixtures::deviceDatabaseFiles(options, s_dir->file("db"), spec.files), 0);
        ASSERT_EQ(fixtures::writeBackup(spec, s_dir->file("backup")), 0);
        s_cameraRoll = new std::multiset<std::string>;
        for (const auto& file : spec.files) {
            if (file.domain == "CameraRollDomain" && file.kind == fixtures::FileKind::File &&
                file.relativePath.starts_with("Media/DCIM/")) {
                s_cameraRoll->insert(file.content);
            }
        }
    }

    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
        delete s_cameraRoll;
        s_cameraRoll = nullptr;
    }

    static std::vector<std::string> topFolders(const std::string& root)
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(root)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static testsupport::TempDir* s_dir;
    // The contents of the backup's camera-roll files.
    static std::multiset<std::string>* s_cameraRoll;
};

testsupport::TempDir* ExportCommandTest::s_dir = nullptr;
std::multiset<std::string>* ExportCommandTest::s_cameraRoll = nullptr;

TEST_F(ExportCommandTest, ExportsEveryCategoryIntoItsFolders)
{
    const std::string out = s_dir->file("out-all");
    const Outcome run = runCli({"export", s_dir->file("backup"), "--out", out});
    ASSERT_EQ(run.status, 0) << run.err;
    std::size_t processed = 0;
    std::size_t failed = 1;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "%zu processed, %zu failed", &processed, &failed), 2)
        << run.out;
    EXPECT_EQ(failed, 0U);
    EXPECT_GT(processed, 40U);
    EXPECT_NE(run.err.find(": Success\n"), std::string::npos);

    EXPECT_EQ(topFolders(out),
              (std::vector<std::string>{"Calendar",
                                        "CallHistory",
                                        "Camera Roll",
                                        "Contacts",
                                        "Message",
                                        "Message Attachments",
                                        "Notes",
                                        "Reminders",
                                        "Safari",
                                        "WhatsApp Attachments",
                                        "WhatsApp Message"}));
    EXPECT_TRUE(fs::is_regular_file(out + "/Message/sms.csv"));
    std::size_t contactDumps = 0;
    std::size_t pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        const std::string name = entry.path().filename().string();
        contactDumps += name == "Contacts.csv" ? 1 : 0;
        // The bookmark file for browsers keeps its own format.
        if (entry.path().extension() == ".html" && name != "Bookmarks.html") {
            ++pages;
            const std::string bytes = testsupport::readFileBytes(entry.path().string());
            EXPECT_NE(bytes.find("<meta charset=\"utf-8\">"), std::string::npos) << name;
            EXPECT_NE(bytes.find("of Test Phone</title>"), std::string::npos) << name;
            EXPECT_EQ(bytes.find("{|content|}"), std::string::npos) << name;
        }
    }
    EXPECT_EQ(contactDumps, 1U);

    // The camera roll is copied byte for byte, its table in the run's own folder.
    std::multiset<std::string> copies;
    for (const auto& entry : fs::directory_iterator(out + "/Camera Roll")) {
        if (entry.is_regular_file()) {
            copies.insert(testsupport::readFileBytes(entry.path().string()));
        }
    }
    EXPECT_EQ(copies, *s_cameraRoll);
    EXPECT_GE(pages, 6U);
}

TEST_F(ExportCommandTest, DeletedOnlyLeavesLiveRecordsAndMediaOut)
{
    const std::string out = s_dir->file("out-deleted");
    const Outcome run = runCli({"export",
                                s_dir->file("backup"),
                                "--out=" + out,
                                "--categories",
                                "notes,call-history,camera-roll",
                                "--deleted-only",
                                "--quiet"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::size_t processed = 0;
    std::size_t failed = 1;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "%zu processed, %zu failed", &processed, &failed), 2);
    EXPECT_GT(processed, 0U);
    // Of the camera roll only the file in the device's "Recently Deleted" album.
    std::size_t copies = 0;
    for (const auto& entry : fs::directory_iterator(out + "/Camera Roll")) {
        copies += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(copies, 1U);
    for (const auto& entry : fs::recursive_directory_iterator(out)) {
        if (entry.path().extension() == ".html") {
            const std::string bytes = testsupport::readFileBytes(entry.path().string());
            EXPECT_EQ(bytes.find("\t<tr>"), std::string::npos) << "a live row was exported";
            EXPECT_NE(bytes.find("\t<tr class=\"deleted\">"), std::string::npos);
        }
    }
}

TEST_F(ExportCommandTest, OutputThatCannotBeWrittenListsEveryFailureAndExitsOne)
{
    // A plain file where the contacts folder belongs: the contact dump and page fail, the
    // notes are written all the same. Quiet keeps the failures.
    const std::string out = s_dir->file("out-blocked");
    fs::create_directories(out);
    testsupport::writeFileBytes(out + "/Contacts", "in the way");
    const Outcome run = runCli({"export",
                                s_dir->file("backup"),
                                "--out",
                                out,
                                "--categories",
                                "contacts,notes",
                                "--quiet"});
    EXPECT_EQ(run.status, 1) << run.err;
    std::size_t processed = 0;
    std::size_t failed = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "%zu processed, %zu failed", &processed, &failed), 2)
        << run.out;
    EXPECT_EQ(failed, 3U);
    std::istringstream lines(run.err);
    std::vector<std::string> failures;
    for (std::string line; std::getline(lines, line);) {
        failures.push_back(line.substr(line.find("] ") + 2));
    }
    std::sort(failures.begin(), failures.end());
    ASSERT_EQ(failures.size(), 3U) << run.err;
    EXPECT_TRUE(failures[0].starts_with(out + "/Contacts/")) << failures[0];
    EXPECT_TRUE(failures[0].ends_with("/Contacts.csv: Not a directory (status " +
                                      std::to_string(platform::statusFromErrno(ENOTDIR)) + ")"))
        << failures[0];
    EXPECT_TRUE(failures[1].ends_with("/Contacts.html: Not a directory (status " +
                                      std::to_string(platform::statusFromErrno(ENOTDIR)) + ")"))
        << failures[1];
    EXPECT_TRUE(failures[2].ends_with("/Contacts.vcf: Not a directory (status " +
                                      std::to_string(platform::statusFromErrno(ENOTDIR)) + ")"))
        << failures[2];
    EXPECT_TRUE(fs::is_directory(out + "/Notes"));
}

TEST_F(ExportCommandTest, UsageErrors)
{
    const struct
    {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"export", s_dir->file("backup")}, "--out DIR is required"},
        {{"export", "--out", "x"}, "expected one BACKUP_DIR"},
        {{"export", "a", "--out", "x", "--categories", "nope"}, "unknown category 'nope'"},
        {{"export", "a", "--out"}, "--out"},
    };

    for (const auto& c : cases) {
        const Outcome run = runCli(c.args);
        EXPECT_EQ(run.status, 2) << c.message;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    const Outcome missing = runCli({"export", s_dir->file("nothing"), "--out", s_dir->file("o")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(runCli({"export", "--help"}).status, 0);
}

} // namespace
