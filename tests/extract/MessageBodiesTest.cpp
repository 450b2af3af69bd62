// Messages of generated sms.db files of every layout, read by the device-table readers and
// joined into records: a body kept only in its archived form (short, a few hundred bytes,
// beyond 65,535 bytes, several scripts) comes back character for character, from live rows and
// from rows recovered from free space alike; every live message lies in exactly one
// conversation, a group chat's (the owner's messages without handle included) or its handle's.
#include "extract/MessagesBuilder.h"
#include "fixtures/devicedb/SmsDb.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <map>
#include <set>

#include <gtest/gtest.h>

namespace {

TEST(MessageBodiesTest, EveryBodyAndConversationOfEveryLayout)
{
    fixtures::SmsSampleCounts counts;
    counts.conversations = 6;
    counts.messages = 150;
    counts.attachments = 6;
    counts.deletedMessages = 10;
    const fixtures::SmsData sample = fixtures::modernSmsSample(7, counts);
    const fixtures::SmsChat& group = sample.chats.back();
    std::map<std::int64_t, std::string> liveTexts;
    // The conversation key of each live message.
    std::map<std::int64_t, std::int32_t> liveKeys;
    std::set<std::string> deletedTexts;
    const std::set<std::int64_t> deletedRowids(sample.deleteMessageRowids.begin(),
                                               sample.deleteMessageRowids.end());
    for (const fixtures::SmsMessage& message : sample.messages) {
        if (deletedRowids.count(message.rowid) != 0) {
            deletedTexts.insert(message.text);
        } else {
            liveTexts.emplace(message.rowid, message.text);
            liveKeys.emplace(message.rowid,
                             static_cast<std::int32_t>(
                                 message.chatId == group.rowid ? -group.rowid : message.handleId));
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
        ASSERT_EQ(sqlitecarve::readChats(db, tables.chats), 0);
        ASSERT_EQ(sqlitecarve::readChatHandleJoins(db, tables.chatHandles), 0);
        ASSERT_EQ(sqlitecarve::readChatMessageJoins(db, tables.chatMessages), 0);
        extract::MessageMap map;
        extract::joinMessages(tables, {}, map);

        std::size_t live = 0;
        std::set<std::string> recovered;
        for (const auto& [key, messages] : map) {
            for (const extract::MessageRecord& message : messages) {
                ASSERT_NE(message.conversation, nullptr);
                EXPECT_EQ(message.conversation, messages.front().conversation);
                if (message.deleted == 0) {
                    ++live;
                    EXPECT_EQ(key, liveKeys[message.rowId]) << message.rowId;
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

        const auto groupMessages = map.find(static_cast<std::int32_t>(-group.rowid));
        ASSERT_NE(groupMessages, map.end());
        ASSERT_EQ(groupMessages->second.size(), std::size_t{fixtures::kSampleGroupMessages});
        const extract::ConversationInfo& info = *groupMessages->second.front().conversation;
        EXPECT_TRUE(info.isGroup);
        EXPECT_EQ(info.name, fixtures::kSampleGroupName);
        EXPECT_EQ(info.chatIdentifier, fixtures::kSampleGroupIdentifier);
        EXPECT_EQ(info.participants,
                  (std::vector<std::string>{sample.handles[0].address,
                                            sample.handles[1].address,
                                            sample.handles[2].address}));
        EXPECT_EQ(extract::senderOf(groupMessages->second.front()), "Me");
        EXPECT_EQ(extract::senderOf(groupMessages->second[1]), sample.handles[1].address);
        const extract::ConversationInfo& single = *map.at(1).front().conversation;
        EXPECT_FALSE(single.isGroup);
        EXPECT_EQ(single.name, sample.handles[0].address);
        EXPECT_EQ(single.chatIdentifier, sample.handles[0].address);
    }
}

} // namespace
