// `brenvale-cli scan` in-process over a generated backup whose device databases are damaged:
// a damaged database costs only its category and says so on standard error; a missing one
// is no error.
#include "catalogue/BackupFiles.h"
#include "cli/Commands.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/DeviceDbLocations.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// The Live column of the summary table's row for `category`, or -1.
int liveCount(const std::string& table, const std::string& category)
{
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(category + "  ")) {
            std::istringstream fields(line.substr(category.size()));
            int live = -1;
            fields >> live;
            return live;
        }
    }
    return -1;
}

TEST(ScanDamageTest, DamagedDatabaseEmptiesOnlyItsCategoryAndIsReported)
{
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.currentLayouts = false;
    options.conversations = 3;
    options.messages = 30;
    options.contacts = 8;
    options.calls = 10;
    options.notes = 4;
    options.whatsAppMessages = 10;
    fixtures::BackupDescription spec;
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("good")), 0);

    const std::string messages(catalogue::kMessagesDbId);
    const std::string calls(catalogue::kCallHistoryLegacyDbId);
    const std::string bookmarks(fixtures::kSafariBookmarksLocation.fileId);
    const std::string history(fixtures::kSafariLegacyHistoryLocation.fileId);
    const auto garbage = [](const fs::path& file) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(9000, '\x5a');
    };
    const auto truncate = [](const fs::path& file) { fs::resize_file(file, 3000); };
    const auto empty = [](const fs::path& file) { fs::resize_file(file, 0); };
    const auto folder = [](const fs::path& file) {
        fs::remove(file);
        fs::create_directory(file);
    };
    const auto remove = [](const fs::path& file) { fs::remove(file); };

    const struct
    {
        const char* name;
        const std::string* fileId;
        void (*damage)(const fs::path&);
        const char* category;
        // The reason shown, or null when nothing is to be said.
        const char* reason;
    } cases[] = {
        {"garbage", &messages, +garbage, "Messages", "corrupt data"},
        {"truncated", &messages, +truncate, "Messages", "corrupt data"},
        {"empty", &messages, +empty, "Messages", "read ended early"},
        {"folder", &messages, +folder, "Messages", "Is a directory"},
        {"missing", &messages, +remove, "Messages", nullptr},
        {"truncated calls", &calls, +truncate, "Call History", "corrupt data"},
        {"garbage bookmarks", &bookmarks, +garbage, "SafariBookmark", "file is not a database"},
        {"truncated history", &history, +truncate, "Safari History", "database file is damaged"},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string backup = dir.file(c.name);
        fs::copy(dir.file("good"), backup, fs::copy_options::recursive);
        c.damage(fs::path(backup) / c.fileId->substr(0, 2) / *c.fileId);

        std::ostringstream out;
        std::ostringstream err;
        const int status =
            cli::runCli({"scan",
                         backup,
                         "--categories",
                         "messages,contacts,call-history,safari-bookmarks,safari-history",
                         "--quiet"},
                        out,
                        err);
        const std::string table = out.str();
        const std::string said = err.str();
        EXPECT_EQ(status, 0) << said;
        EXPECT_EQ(liveCount(table, c.category), 0) << table;
        const std::string other =
            std::string(c.category) == "Messages" ? "Call History" : "Messages";
        EXPECT_GT(liveCount(table, other), 0) << table;
        EXPECT_GT(liveCount(table, "Contacts"), 0) << table;
        if (c.reason == nullptr) {
            EXPECT_EQ(said, "");
        } else {
            const std::string expected = std::string("brenvale-cli: ") + c.category +
                                         ": its database is damaged or cannot be read (" +
                                         c.reason + ", status ";
            // Where the reader found the damage, if it could say, then the category's line.
            const std::size_t last = said.rfind('\n', said.size() - 2);
            const std::string lastLine = last == std::string::npos ? said : said.substr(last + 1);
            EXPECT_TRUE(lastLine.starts_with(expected)) << said;
            std::istringstream lines(said.substr(0, said.size() - lastLine.size()));
            for (std::string line; std::getline(lines, line);) {
                EXPECT_TRUE(line.starts_with(std::string("brenvale-cli: ") + c.category +
                                             ": damage at page "))
                    << line;
            }
        }
    }
}

// A damaged cell costs only itself: the scan keeps the rest of its page and table and says
// where each skipped cell lay.
TEST(ScanDamageTest, DamagedCellsAreSkippedAndTheirPlacesNamed)
{
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.currentLayouts = false;
    options.conversations = 3;
    options.messages = 300;
    fixtures::BackupDescription spec;
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);
    const std::string id(catalogue::kMessagesDbId);
    const fs::path database = fs::path(dir.file("backup")) / id.substr(0, 2) / id;

    // Points the first cell of every table leaf past its page (the page size is 4096).
    std::string bytes;
    {
        std::ifstream in(database, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::size_t> damagedPages;
    for (std::size_t page = 2; page * 4096 <= bytes.size(); ++page) {
        const std::size_t at = (page - 1) * 4096;
        if (bytes[at] == '\x0d' && bytes[at + 4] > 1) {
            bytes[at + 8] = '\xff';
            damagedPages.push_back(page);
        }
    }
    ASSERT_GT(damagedPages.size(), 2U);
    std::ofstream(database, std::ios::binary | std::ios::trunc) << bytes;

    std::ostringstream out;
    std::ostringstream err;
    const int status =
        cli::runCli({"scan", dir.file("backup"), "--categories", "messages", "--quiet"}, out, err);
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_GT(liveCount(out.str(), "Messages"), 0) << out.str();
    std::istringstream lines(err.str());
    std::size_t named = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.ends_with(" more damaged places not listed")) {
            // Only after the first twenty places, as the last line.
            EXPECT_EQ(named, 20U);
            EXPECT_TRUE(lines.peek() == EOF) << err.str();
            continue;
        }
        const std::string prefix = "brenvale-cli: Messages: damage at page ";
        ASSERT_TRUE(line.starts_with(prefix)) << line;
        const std::size_t page = std::stoul(line.substr(prefix.size()));
        EXPECT_NE(std::find(damagedPages.begin(), damagedPages.end(), page), damagedPages.end())
            << line;
        EXPECT_TRUE(line.ends_with(", offset 8: cell skipped: its pointer is out of range"))
            << line;
        ++named;
    }
    EXPECT_GT(named, 0U);
}

} // namespace
