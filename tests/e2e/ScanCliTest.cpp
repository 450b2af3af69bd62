// `brenvale-cli scan` run as a process on generated backups and on the real backup fixture:
// exit status, the JSON object's shape, the summary table and progress on standard error.
#include "CliProcess.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/SmsDb.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace {

using e2e::CliRun;
using e2e::quoted;

CliRun runScan(const std::string& arguments, const testsupport::TempDir& dir)
{
    return e2e::runCli("scan", arguments, dir);
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class ScanCliTest : public testing::TestWithParam<bool>
{};

TEST_P(ScanCliTest, JsonHoldsEveryCategoryAndDeletedRows)
{
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.currentLayouts = GetParam();
    fixtures::BackupDescription spec;
    spec.manifestKind = GetParam() ? fixtures::ManifestKind::Db : fixtures::ManifestKind::Mbdb;
    spec.productVersion = GetParam() ? "14.3" : "9.2.1";
    spec.files = fixtures::sampleFiles(3);
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

    const CliRun json = runScan(quoted(dir.file("backup")) + " --json", dir);
    EXPECT_EQ(json.exitStatus, 0) << json.err;
    EXPECT_NE(json.out.find("\"status\": 0"), std::string::npos);
    for (const char* key : {"\"cameraRoll\": [",
                            "\"photoStream\": [",
                            "\"appPhotos\": [",
                            "\"appVideos\": [",
                            "\"messages\": [",
                            "\"messageAttachments\": [",
                            "\"contacts\": [",
                            "\"callHistory\": [",
                            "\"notes\": [",
                            "\"whatsApp\": [",
                            "\"whatsAppAttachments\": [",
                            "\"reminders\": [",
                            "\"calendar\": [",
                            "\"safariBookmarks\": [",
                            "\"safariHistory\": ["}) {
        EXPECT_EQ(occurrences(json.out, std::string("\n    ") + key), 1u) << key;
    }
    EXPECT_GT(occurrences(json.out, "\"conversationId\""), 5u);
    EXPECT_GT(occurrences(json.out, "\"deleted\": 1"), 10u);
    EXPECT_GT(occurrences(json.out, "\"senderName\": \"Me\""), 0u);
    EXPECT_NE(json.err.find("%"), std::string::npos) << "progress lines on standard error";
    if (GetParam()) {
        // Whole note bodies with their lists, the folder, locked notes and the device's trash.
        for (const char* text : {"\"locked\": true",
                                 "\"pinned\": true",
                                 "\"folder\": \"Notes\"",
                                 "\"account\": \"On My iPhone\"",
                                 "\"deletedSource\": \"recentlyDeleted\"",
                                 "\\n☑ ",
                                 "\\n1. ",
                                 "\"label\": \"mobile\"",
                                 "\"label\": \"Boat\"",
                                 "\"label\": \"work fax\"",
                                 "\"jobTitle\": \"Engineer\""}) {
            EXPECT_GT(occurrences(json.out, text), 0u) << text;
        }
    }

    const CliRun table =
        runScan(quoted(dir.file("backup")) + " --categories messages,notes --quiet", dir);
    EXPECT_EQ(table.exitStatus, 0);
    EXPECT_EQ(table.err, "");
    EXPECT_NE(table.out.find("Category"), std::string::npos);
    EXPECT_NE(table.out.find("Messages"), std::string::npos);
    EXPECT_NE(table.out.find("Notes"), std::string::npos);
    EXPECT_EQ(table.out.find("Contacts"), std::string::npos) << "only the chosen categories";
}

INSTANTIATE_TEST_SUITE_P(OlderAndCurrent, ScanCliTest, testing::Bool());

// The object of the message whose text is `text`: from its "deleted" key to its end.
std::string messageWithText(const std::string& json, const std::string& text)
{
    const std::size_t at = json.find("\"text\": \"" + text + "\"");
    if (at == std::string::npos) {
        return {};
    }
    const std::size_t begin = json.rfind("\"deleted\"", at);
    return json.substr(begin, json.find("\"deletedSource\"", at) - begin);
}

TEST(ScanCliModernMessagesTest, BodiesGroupChatAttachmentsReactionsEditsAndTrash)
{
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.modernMessages = true;
    options.conversations = 8;
    options.messages = 120;
    fixtures::BackupDescription spec;
    spec.productVersion = "17.2";
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

    const CliRun run = runScan(quoted(dir.file("backup")) + " --categories messages --json", dir);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    // The sample the backup's sms.db was written from, with the counts the generator derives.
    fixtures::SmsSampleCounts counts;
    counts.conversations = options.conversations;
    counts.messages = options.messages;
    counts.attachments = std::max(1, options.messages / 13);
    counts.deletedMessages = std::max(1, options.messages / 20);
    const fixtures::SmsData sample = fixtures::ios17SmsSample(options.seed, counts);
    const std::set<std::int64_t> deleted(sample.deleteMessageRowids.begin(),
                                         sample.deleteMessageRowids.end());
    std::size_t live = 0;
    for (const fixtures::SmsMessage& message : sample.messages) {
        const bool listed = message.associatedType == 0 && !message.unsent;
        if (deleted.count(message.rowid) == 0 && message.trashedUnixSeconds == 0) {
            live += listed ? 1 : 0;
        }
        if (deleted.count(message.rowid) == 0 && !message.unsent) {
            EXPECT_EQ(run.out.find("\"text\": \"" + message.text + "\"") != std::string::npos,
                      listed)
                << message.rowid << " reactions are no messages";
        }
    }
    EXPECT_EQ(occurrences(run.out, "\"deleted\": 0"), live + 1) << "and the unsent message";
    EXPECT_EQ(occurrences(run.out, "\"text\": \"\""), 1u) << "only the unsent message";
    // The group chat: one conversation with its name, members and the owner's messages.
    EXPECT_EQ(occurrences(run.out, "\"isGroup\": true"), 1u);
    EXPECT_EQ(occurrences(run.out, std::string("\"name\": \"") + fixtures::kSampleGroupName), 1u);
    EXPECT_NE(run.out.find(std::string("\"chatIdentifier\": \"") +
                           fixtures::kSampleGroupIdentifier + "\""),
              std::string::npos);
    const std::size_t groupAt = run.out.find("\"isGroup\": true");
    const std::string members =
        run.out.substr(groupAt, run.out.find("\"chatIdentifier\"", groupAt) - groupAt);
    EXPECT_EQ(occurrences(members, "\""), 10u) << "two keys and three addresses: " << members;
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(occurrences(members, "\"" + sample.handles[i].address + "\""), 1u) << members;
    }
    EXPECT_GT(occurrences(run.out, "\"sender\": \"Me\""), 0u);
    EXPECT_GT(occurrences(run.out, "\"service\": \"iMessage\""), 0u);

    // Three attachments of one message, each with the backup's file; the loved and liked
    // reactions on their target, the laugh taken back; the edit history; the unsent message;
    // the device's trash beside the rows carved from free space.
    const std::string attachments =
        messageWithText(run.out, "\xEF\xBF\xBC\xEF\xBF\xBC\xEF\xBF\xBC");
    EXPECT_EQ(occurrences(attachments, "\"mimeType\""), 3u) << attachments;
    for (const char* part : {"\"name\": \"IMG_5001.HEIC\"",
                             "\"name\": \"clip 1.MOV\"",
                             "\"mimeType\": \"video/quicktime\"",
                             "\"path\": \"/"}) {
        EXPECT_GT(occurrences(attachments, part), 0u) << part << attachments;
    }
    const std::string target = messageWithText(run.out, "Who brings the tent?");
    EXPECT_EQ(occurrences(target, "\"kind\""), 2u) << target;
    EXPECT_EQ(occurrences(target, "\"kind\": \"loved\""), 1u);
    EXPECT_EQ(occurrences(target, "\"kind\": \"liked\""), 1u);
    EXPECT_EQ(occurrences(target, "\"sender\": \"Me\""), 2u) << "its own and the like";
    EXPECT_EQ(occurrences(target, "\"sender\": \"\""), 0u) << target;
    EXPECT_EQ(occurrences(run.out, "\"kind\""), 2u) << "no reaction on a missing message";
    const std::string edited = messageWithText(run.out, fixtures::kSampleEditedText);
    EXPECT_NE(edited.find("\"edited\": true"), std::string::npos) << edited;
    EXPECT_LT(edited.find("\"text\": \"Leaving at 8\""),
              edited.find("\"text\": \"Leaving at 8:30\""));
    EXPECT_EQ(occurrences(run.out, "\"edited\": true"), 1u);
    const std::string unsent = messageWithText(run.out, "");
    EXPECT_NE(unsent.find("\"unsent\": true"), std::string::npos) << unsent;
    EXPECT_EQ(occurrences(run.out, "\"unsent\": true"), 1u);
    const std::string trashed = messageWithText(run.out, fixtures::kSampleTrashedText);
    EXPECT_EQ(trashed.substr(0, 13), "\"deleted\": 1,") << trashed;
    EXPECT_EQ(occurrences(run.out, "\"deletedSource\": \"recentlyDeleted\""), 2u);
    EXPECT_EQ(occurrences(run.out, "\"deletedSource\": \"freeSpace\""),
              occurrences(run.out, "\"deleted\": 1") - 2);

    // The exported group: a folder and page named after it, its members above the messages,
    // and the owner's messages addressed to the group rather than to nobody.
    const CliRun exported =
        e2e::runCli("export",
                    quoted(dir.file("backup")) + " --out " + quoted(dir.file("out")) +
                        " --categories messages --quiet",
                    dir);
    ASSERT_EQ(exported.exitStatus, 0) << exported.err;
    std::string page;
    std::string transcript;
    for (const auto& file : std::filesystem::recursive_directory_iterator(dir.file("out"))) {
        const std::string name = file.path().filename().string();
        if (file.is_regular_file() && name.rfind(fixtures::kSampleGroupName, 0) == 0) {
            (file.path().extension() == ".html" ? page : transcript) =
                testsupport::readFileBytes(file.path().string());
        }
    }
    EXPECT_NE(page.find(std::string("Group: ") + fixtures::kSampleGroupName +
                        ", Members: " + sample.handles[0].address),
              std::string::npos);
    EXPECT_NE(transcript.find(std::string("To: ") + fixtures::kSampleGroupName + "\r\n"),
              std::string::npos);
    EXPECT_EQ(transcript.find("To: \r\n"), std::string::npos);
    // Reactions and attachments stand under their messages; the page links the copies.
    EXPECT_NE(page.find("<div class=\"msg_note\"><a href=\"Attachments/"), std::string::npos);
    EXPECT_NE(page.find(">Loved by "), std::string::npos);
    EXPECT_NE(transcript.find("Note: Loved by "), std::string::npos);
    EXPECT_EQ(page.find("\xEF\xBF\xBC"), std::string::npos) << "attachment marks left out";
    // The group's attachments copied beside its page, where their copy paths point, named by
    // the rule of every exported file (which keeps spaces).
    std::set<std::string> copies;
    for (const auto& file : std::filesystem::recursive_directory_iterator(dir.file("out"))) {
        const auto folder = file.path().parent_path();
        if (file.is_regular_file() && folder.filename() == "Attachments" &&
            folder.parent_path().filename().string().rfind(fixtures::kSampleGroupName, 0) == 0) {
            copies.insert(file.path().filename().string());
        }
    }
    ASSERT_EQ(copies.size(), 3u);
    EXPECT_EQ(copies.rbegin()->substr(copies.rbegin()->find('-')), "-3-clip 1.MOV");
}

TEST(ScanCliUsageTest, BadCategoryAndMissingBackup)
{
    testsupport::TempDir dir;
    EXPECT_EQ(runScan(quoted(dir.path()) + " --categories bogus", dir).exitStatus, 2);
    EXPECT_EQ(runScan(quoted(dir.file("nothing")), dir).exitStatus, 1);
}

TEST(ScanCliRealBackupTest, MessageAndWhatsAppChatsWithMissingFilesReported)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    testsupport::TempDir dir;
    const CliRun run = runScan(quoted(folder) + " --json", dir);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("\"text\": \"Please click here https://badbadbad.example.org/\""),
              std::string::npos);
    EXPECT_NE(run.out.find("\"date\": \"2019-08-30 11:58:30\""), std::string::npos);
    EXPECT_NE(run.out.find("\"text\": \"Hi\""), std::string::npos);
    EXPECT_NE(run.out.find("\"text\": \"Welcome\""), std::string::npos);
    EXPECT_NE(run.err.find("manifest entries have no content file"), std::string::npos);
}

} // namespace
