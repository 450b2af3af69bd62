// What the messages builder makes of the rows that devices since iOS 16 add around a message:
// reactions folded onto their target (never listed), edit histories and unsent messages from
// the summary blob and the edit and unsend dates, and the device's own trash beside rows
// carved from free space. Each case builds its rows, joins them and compares a short account
// of every listed message.
#include "extract/MessagesBuilder.h"
#include "fixtures/devicedb/SmsDb.h"
#include "fixtures/devicedb/TypedstreamWriter.h"
#include "sqlitecarve/DeviceTables.h"

#include <functional>
#include <memory>

#include <gtest/gtest.h>

namespace {

using sqlitecarve::MessageRow;
using sqlitecarve::MessageRowDetail;

constexpr const char* kGuid = "1C0E5A7B-1111-4222-8333-944455556666";

MessageRow row(std::int64_t rowid, std::int64_t handleId, const char* date, std::string text)
{
    return {.rowid = rowid,
            .text = std::move(text),
            .handleId = handleId,
            .date = date,
            .isFromMe = handleId == 0};
}

// A reaction row of `handleId` (0: the owner) on `target`.
MessageRow reaction(std::int64_t handleId,
                    const char* date,
                    std::int64_t type,
                    std::string target,
                    std::string emoji = {})
{
    MessageRow reacting = row(0, handleId, date, "Reacted to a message");
    reacting.detail = std::make_shared<MessageRowDetail>(MessageRowDetail{
        .associatedType = type, .associatedGuid = std::move(target), .emoji = std::move(emoji)});
    return reacting;
}

MessageRow changed(std::int64_t rowid, std::string text, MessageRowDetail detail)
{
    MessageRow message = row(rowid, 1, "2023-01-01 10:00:00", {});
    message.attributedBody = text.empty() ? std::string() : fixtures::attributedBody(text);
    message.detail = std::make_shared<MessageRowDetail>(std::move(detail));
    return message;
}

std::string summary(std::string text, std::vector<fixtures::SmsEdit> edits, bool unsent)
{
    fixtures::SmsMessage message;
    message.text = std::move(text);
    message.edits = std::move(edits);
    message.unixSeconds = 1700000000;
    message.unsent = unsent;
    return fixtures::messageSummaryInfo(message);
}

// One line per listed message: key, text, deleted source, reactions, edits and flags.
std::string account(const extract::MessageMap& map)
{
    std::string out;
    for (const auto& [key, messages] : map) {
        for (const extract::MessageRecord& m : messages) {
            out += std::to_string(key) + " " + m.text + " [" +
                   std::string(extract::deletedSourceOf(m)) + "]";
            if (m.details != nullptr) {
                for (const auto& r : m.details->reactions) {
                    out += " " + r.kind + r.emoji + ":" + r.sender;
                }
                for (const auto& e : m.details->edits) {
                    out += " <" + e.text + (e.date.empty() ? "" : "@") + ">";
                }
                out += m.details->edited ? " edited" : "";
                out += m.details->unsent ? " unsent" : "";
            }
            out += "\n";
        }
    }
    return out;
}

TEST(MessageExtrasTest, ReactionsEditsUnsendsAndTrash)
{
    const std::string bareTarget = std::string(kGuid) + "-extra";

    const struct
    {
        const char* name;
        std::function<void(extract::MessageTables&)> fill;
        std::string expected;
    } cases[] = {
        {"a removal cancels only its sender's reaction of its kind, in date order",
         [&](extract::MessageTables& t) {
             t.messages.push_back(row(1, 2, "2023-01-01 09:00:00", "tent?"));
             t.messages.back().guidKey = sqlitecarve::messageGuidKey(kGuid);
             t.messages.push_back(
                 reaction(2, "2023-01-01 09:05:00", 3000, std::string("p:0/") + kGuid));
             t.messages.push_back(
                 reaction(2, "2023-01-01 09:01:00", 2000, std::string("p:0/") + kGuid));
             t.messages.push_back(
                 reaction(3, "2023-01-01 09:02:00", 2000, std::string("p:0/") + kGuid));
             t.messages.push_back(
                 reaction(0, "2023-01-01 09:03:00", 2001, std::string("bp:") + kGuid));
             t.messages.push_back(reaction(2, "2023-01-01 09:06:00", 2006, bareTarget, "🎉"));
             t.messages.push_back(reaction(3, "2023-01-01 09:07:00", 2004, "p:0/missing"));
             t.messages.push_back(reaction(2, "2023-01-01 09:08:00", 2002, kGuid));
             t.messages.back().deleted = true;
             t.handles = {{.rowid = 2, .address = "+200"}, {.rowid = 3, .address = "+300"}};
         },
         "2 tent? [] loved:+300 liked:Me emoji🎉:+200\n"},
        {"an edit history comes from the summary, oldest first, the final text last",
         [](extract::MessageTables& t) {
             t.messages.push_back(changed(
                 1,
                 "third",
                 {.edited = true,
                  .summaryInfo =
                      summary("third", {{1700000000, "first"}, {1700000030, "second"}}, false)}));
         },
         "1 third [] <first@> <second@> edited\n"},
        {"a row without body takes the latest version of its summary",
         [](extract::MessageTables& t) {
             t.messages.push_back(
                 changed(1,
                         "",
                         {.edited = true,
                          .summaryInfo = summary("final", {{1700000000, "draft"}}, false)}));
         },
         "1 final [] <draft@> edited\n"},
        {"an edit date without summary, or with a damaged one, marks the message only",
         [](extract::MessageTables& t) {
             t.messages.push_back(changed(1, "plain", {.edited = true}));
             t.messages.push_back(
                 changed(2, "damaged", {.edited = true, .summaryInfo = "bplist00garbage"}));
         },
         "1 plain [] edited\n1 damaged [] edited\n"},
        {"unsent by date or by every part in the summary: listed with an empty text",
         [](extract::MessageTables& t) {
             t.messages.push_back(changed(1, "", {.retracted = true}));
             t.messages.push_back(changed(2, "gone", {.summaryInfo = summary("", {}, true)}));
             t.messages.push_back(row(3, 1, "2023-01-01 11:00:00", ""));
         },
         "1  [] unsent\n1  [] unsent\n"},
        {"the trash keeps its chat; parts fill a lost body; carved rows are free space",
         [](extract::MessageTables& t) {
             t.chats = {{.rowid = 9, .style = 43, .chatIdentifier = "chat9"}};
             t.chatHandles = {{.chatId = 9, .memberId = 1}, {.chatId = 9, .memberId = 2}};
             t.messages.push_back(row(5, 1, "2023-01-02 00:00:00", "binned"));
             t.messages.push_back(row(6, 0, "2023-01-03 00:00:00", ""));
             t.messages.push_back(row(7, 1, "2023-01-04 00:00:00", "carved"));
             t.messages.back().deleted = true;
             t.messages.push_back(row(8, 1, "2023-01-05 00:00:00", "kept"));
             t.recoverableMessages = {{.chatId = 9, .memberId = 5},
                                      {.deleted = true, .chatId = 9, .memberId = 8}};
             t.recoverableParts = {{.chatId = 9,
                                    .messageId = 6,
                                    .partIndex = 1,
                                    .partText = fixtures::attributedBody(" two")},
                                   {.chatId = 9,
                                    .messageId = 6,
                                    .partIndex = 0,
                                    .partText = fixtures::attributedBody("one")}};
         },
         "-9 binned [recentlyDeleted]\n-9 one two [recentlyDeleted]\n1 carved [freeSpace]\n"
         "1 kept []\n"},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        extract::MessageTables tables;
        c.fill(tables);
        extract::MessageMap map;
        extract::joinMessages(tables, {}, map);
        EXPECT_EQ(account(map), c.expected);
    }
}

} // namespace
