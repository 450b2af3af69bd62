// Message bodies of generated sms.db files of every layout, read by the device-table readers
// and joined into records: a body kept only in its archived form (short, a few hundred bytes,
// beyond 65,535 bytes, several scripts) comes back character for character, from live rows and
// from rows recovered from free space alike.
#include "extract/MessagesBuilder.h"
#include "fixtures/devicedb/SmsDb.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <map>
#include <set>

#include <gtest/gtest.h>

namespace {

TEST(MessageBodiesTest, EveryBodyOfEveryLayoutComesBack)
{
    fixtures::SmsSampleCounts counts;
    counts.conversations = 6;
    counts.messages = 150;
    counts.attachments = 6;
    counts.deletedMessages = 10;
    const fixtures::SmsData sample = fixtures::modernSmsSample(7, counts);
    std::map<std::int64_t, std::string> liveTexts;
    std::set<std::string> deletedTexts;
    const std::set<std::int64_t> deletedRowids(sample.deleteMessageRowids.begin(),
                                               sample.deleteMessageRowids.end());
    for (const fixtures::SmsMessage& message : sample.messages) {
        if (deletedRowids.count(message.rowid) != 0) {
            deletedTexts.insert(message.text);
        } else {
            liveTexts.emplace(message.rowid, message.text);
        }
    }
    const std::string& longDeleted =
        sample.messages[static_cast<std::size_t>(sample.deleteMessageRowids.front() - 1)].text;

    for (const fixtures::SmsLayout layout :
         {fixtures::SmsLayout::Ios9, fixtures::SmsLayout::Ios14, fixtures::SmsLayout::Ios17}) {
        SCOPED_TRACE(static_cast<int>(layout));
        testsupport::TempDir dir;
        ASSERT_EQ(fixtures::writeSmsDb(dir.file("sms.db"), layout, sample), 0);
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(dir.file("sms.db")), 0);
        extract::MessageTables tables;
        ASSERT_EQ(sqlitecarve::readMessages(db, tables.messages), 0);
        ASSERT_EQ(sqlitecarve::readHandles(db, tables.handles), 0);
        extract::MessageMap map;
        extract::joinMessages(tables, {}, map);

        std::size_t live = 0;
        std::set<std::string> recovered;
        for (const auto& [handle, messages] : map) {
            for (const extract::MessageRecord& message : messages) {
                if (message.deleted == 0) {
                    ++live;
                    const auto expected = liveTexts.find(message.rowId);
                    ASSERT_NE(expected, liveTexts.end()) << message.rowId;
                    EXPECT_EQ(message.text, expected->second) << message.rowId;
                } else {
                    EXPECT_EQ(deletedTexts.count(message.text), 1u) << message.text;
                    recovered.insert(message.text);
                }
            }
        }
        EXPECT_EQ(live, liveTexts.size());
        EXPECT_GE(recovered.size(), deletedTexts.size() / 2);
        EXPECT_EQ(recovered.count(longDeleted), 1u) << "a long non-Latin body from free space";
    }
}

} // namespace
