// Whole scans through CLocalBuckupRecovery on generated backups of both generations (older
// layouts with Manifest.mbdb and iOS 9, current layouts with Manifest.db and iOS 14), checked
// against the samples they were generated from, and on the real backup fixture; a messages
// database with a damaged page.
#include "BackupUnderTest.h"
#include "SqliteDbBuilder.h"
#include "extract/CLocalBuckupRecovery.h"
#include "extract/ScanDriver.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/DeviceDbLocations.h"
#include "fixtures/devicedb/SmsDb.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"

#include <set>

#include <gtest/gtest.h>

namespace {

using namespace extract;

class NullObserver : public ScanObserver
{
public:
    void scanMessage(ScanMessage, std::int64_t) override {}
};

struct Generation
{
    const char* name;
    bool current;
};

class LocalBackupScanTest : public testing::TestWithParam<Generation>
{};

template <typename Items> std::size_t deletedIn(const Items& items)
{
    std::size_t deleted = 0;
    for (const auto& item : items) {
        deleted += item.deleted != 0 ? 1 : 0;
    }
    return deleted;
}

TEST_P(LocalBackupScanTest, EveryCategoryWithJoinsAndDeletedRows)
{
    testsupport::TempDir scratch;
    fixtures::DeviceFilesOptions options;
    options.currentLayouts = GetParam().current;
    fixtures::BackupDescription spec;
    spec.manifestKind =
        options.currentLayouts ? fixtures::ManifestKind::Db : fixtures::ManifestKind::Mbdb;
    spec.productVersion = options.currentLayouts ? "14.3" : "9.2.1";
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, scratch.file("db"), spec.files), 0);
    extracttest::BackupUnderTest backup(spec);
    NullObserver observer;
    ScanDriver driver(backup.engine(), observer);
    driver.setBackup(backup.info());
    ASSERT_EQ(driver.StartScan(kSourceLocalBackup), 0);
    driver.wait();
    ASSERT_TRUE(driver.scanDone());
    const ScanResults& r = driver.results();

    // Messages: every live sample message with its handle's address, and deleted ones.
    fixtures::SmsSampleCounts smsCounts;
    smsCounts.conversations = options.conversations;
    smsCounts.messages = options.messages;
    smsCounts.attachments = options.messages / 13;
    smsCounts.deletedMessages = options.messages / 20;
    const fixtures::SmsData sms = fixtures::sampleSmsData(options.seed, smsCounts);
    const std::set<std::int64_t> deletedRows(sms.deleteMessageRowids.begin(),
                                             sms.deleteMessageRowids.end());
    std::size_t live = 0;
    std::size_t deleted = 0;
    std::size_t named = 0;
    std::size_t withAttachment = 0;
    std::set<std::int32_t> liveRows;
    for (const auto& [handle, messages] : r.messages) {
        for (std::size_t i = 0; i < messages.size(); ++i) {
            const MessageRecord& m = messages[i];
            (m.deleted != 0 ? deleted : live) += 1;
            named += m.contactName.empty() ? 0 : 1;
            withAttachment += m.attachmentName.empty() ? 0 : 1;
            if (m.deleted == 0) {
                liveRows.insert(m.rowId);
                EXPECT_FALSE(m.address.empty()) << "live message " << m.rowId;
            }
            if (i > 0) {
                EXPECT_LE(messages[i - 1].date, m.date) << "date order in conversation " << handle;
            }
        }
    }
    std::size_t expectedLive = 0;
    for (const auto& m : sms.messages) {
        if (!m.text.empty() && deletedRows.count(m.rowid) == 0) {
            ++expectedLive;
            EXPECT_EQ(liveRows.count(static_cast<std::int32_t>(m.rowid)), 1u) << m.rowid;
        }
    }
    EXPECT_EQ(live, expectedLive);
    EXPECT_GT(deleted, 0u) << "deleted messages whose bytes survive come back";
    EXPECT_GT(named, live / 2) << "most senders are in the address book";
    EXPECT_GT(withAttachment, 0u);
    ASSERT_FALSE(r.conversations.empty());
    EXPECT_EQ(r.conversations.front().deleted, 1) << "conversations with deleted messages first";
    EXPECT_FALSE(r.messageAttachments.empty());

    EXPECT_GT(r.contacts.size(), 30u);
    EXPECT_GT(deletedIn(r.contacts), 0u);
    // Every number is whole: ten digits at least, the area code kept.
    for (const ContactRecord& contact : r.contacts) {
        std::size_t digits = 0;
        for (const char c : contact.phones + '\n') {
            if (c == '\n') {
                EXPECT_TRUE(digits == 0 || digits >= 10) << contact.name << ": " << contact.phones;
                digits = 0;
            }
            digits += c >= '0' && c <= '9' ? 1 : 0;
        }
    }
    EXPECT_GT(r.calls.size(), 80u);
    EXPECT_GT(deletedIn(r.calls), 0u);
    std::size_t namedCalls = 0;
    for (const CallRecord& call : r.calls) {
        namedCalls += call.name.empty() ? 0 : 1;
        EXPECT_FALSE(call.name.size() > 0 && call.number.size() < 5) << call.number;
    }
    EXPECT_GT(namedCalls, 0u);
    EXPECT_GE(r.notes.size(), 25u);
    if (!options.currentLayouts) {
        EXPECT_GT(deletedIn(r.notes), 0u) << "the older store is carved";
        EXPECT_NE(r.notes.front().date, "") << "body-based notes carry their note's date";
    }
    ASSERT_FALSE(r.whatsApp.empty());
    std::size_t whatsAppDeleted = 0;
    bool sawMe = false;
    bool sawGroupMember = false;
    for (const auto& [session, messages] : r.whatsApp) {
        for (const WhatsAppMessage& m : messages) {
            whatsAppDeleted += m.deleted != 0 ? 1 : 0;
            sawMe = sawMe || m.senderName == "Me";
            sawGroupMember = sawGroupMember || m.memberId >= 2;
            EXPECT_FALSE(m.text.empty());
        }
    }
    EXPECT_TRUE(sawMe);
    EXPECT_TRUE(sawGroupMember);
    EXPECT_GT(whatsAppDeleted, 0u);
    EXPECT_FALSE(r.whatsAppAttachments.empty()) << "media of the shared WhatsApp container";
    EXPECT_TRUE(r.appPhotos.empty() || r.appPhotos.count("whatsapp.WhatsApp") == 0);
}

INSTANTIATE_TEST_SUITE_P(Generations,
                         LocalBackupScanTest,
                         testing::Values(Generation{"older", false}, Generation{"current", true}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(LocalBackupScanTest, DamagedPageCostsOnlyItsMessages)
{
    constexpr int kMessages = 300;
    constexpr std::size_t kPageSize = 4096;
    testsupport::TempDir scratch;
    const std::string path = scratch.file("sms.db");
    fixtures::SqliteDbBuilder builder;
    ASSERT_EQ(builder.create(path), 0);
    ASSERT_EQ(builder.exec("CREATE TABLE message (ROWID INTEGER PRIMARY KEY, text TEXT, "
                           "handle_id INTEGER, date INTEGER, is_from_me INTEGER);"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < " +
                           std::to_string(kMessages) +
                           ") INSERT INTO message SELECT i, printf('message %03d %.60c', i, "
                           "'x'), 0, 600000000 + i, 0 FROM n;"),
              0)
        << builder.lastError();
    ASSERT_EQ(builder.close(), 0);
    std::string bytes = testsupport::readFileBytes(path);
    // Page 2, the table's interior root, points its right-most child beyond the file.
    ASSERT_GT(bytes.size(), 4 * kPageSize);
    ASSERT_EQ(bytes[kPageSize], 5);
    bytes.replace(kPageSize + 8, 4, "\x7f\xff\xff\xff");

    fixtures::BackupDescription spec;
    fixtures::BackupFile file;
    file.domain = fixtures::kSmsDbLocation.domain;
    file.relativePath = fixtures::kSmsDbLocation.relativePath;
    file.content = bytes;
    spec.files.push_back(file);
    extracttest::BackupUnderTest backup(spec);
    CLocalBuckupRecovery source;
    ASSERT_EQ(source.Attach(&backup.engine()), 0);
    ASSERT_EQ(source.OpenBackup(""), 0);
    MessageMap messages;
    EXPECT_EQ(source.ScanMessages(messages), platform::kStatusCorrupt);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_GT(messages.at(0).size(), kMessages / 2) << "the other pages' messages are read";
    EXPECT_LT(messages.at(0).size(), kMessages);
}

TEST(LocalBackupScanTest, RealBackupMessageAndWhatsAppChats)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(folder, "ios-backup-mvt");
    testsupport::TempDir dir;
    ::setenv("BRENVALE_APPDATA", dir.file("appdata").c_str(), 1);
    catalogue::BackupInfo info;
    ASSERT_EQ(catalogue::readBackupInfo(folder, info), 0);
    catalogue::EngineOptions options;
    options.tempFolder = dir.file("temp");
    catalogue::BackupEngine engine(options);
    NullObserver observer;
    ScanDriver driver(engine, observer);
    driver.setBackup(info);
    ASSERT_EQ(driver.StartScan(kSourceLocalBackup), 0);
    driver.wait();
    EXPECT_EQ(driver.status(), 0);
    const ScanResults& r = driver.results();
    ASSERT_EQ(r.messages.size(), 1u);
    const MessageRecord& message = r.messages.begin()->second.at(0);
    EXPECT_EQ(message.text, "Please click here https://badbadbad.example.org/");
    EXPECT_EQ(message.date, "2019-08-30 11:58:30") << "local time of Pacific/Chatham";
    EXPECT_EQ(r.whatsApp.size(), 2u);
    EXPECT_EQ(r.whatsApp.at(1).at(0).text, "Hi");
    EXPECT_EQ(r.whatsApp.at(1).at(1).senderName, "Me");
}

} // namespace
