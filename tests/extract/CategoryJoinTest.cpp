// The joins and clean-ups of the database categories, on rows built in the test: the rules
// that decide what a user sees (names by telephone text, first attachments, conversation
// order, telephone tokens, note cleaning, WhatsApp senders and members).
#include "extract/CallHistoryBuilder.h"
#include "extract/ContactsBuilder.h"
#include "extract/DeviceTables.h"
#include "extract/MessagesBuilder.h"
#include "extract/NotesBuilder.h"
#include "extract/RecoveryCategory.h"
#include "extract/WhatsAppBuilder.h"
#include "fixtures/devicedb/AddressBookDb.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using namespace extract;

MessageRecord message(int rowId, int handleId, const char* date, const char* text, int deleted = 0)
{
    MessageRecord m;
    m.deleted = deleted;
    m.rowId = rowId;
    m.handleId = handleId;
    m.date = date;
    m.text = text;
    return m;
}

ContactRecord contactRow(const char* name, const char* phones)
{
    ContactRecord c;
    c.name = name;
    c.phones = phones;
    return c;
}

TEST(MessagesJoinTest, AddressesNamesAndFirstAttachments)
{
    MessageTables tables;
    tables.messages = {message(10, 1, "2020-01-02 10:00:00", "later"),
                       message(11, 2, "2020-01-01 09:00:00", "first"),
                       message(12, 7, "2020-01-03 08:00:00", "lost handle"),
                       message(0, 0, "2020-01-04 08:00:00", "no handle, no rowid", 1)};
    tables.handles = {
        {0, 0, "+999"}, {0, 1, "+14155550123"}, {0, 2, "555-0199"}, {1, 1, "+10000000000"}};
    tables.attachments = {
        {0, 100, 0, "second.jpg"}, {0, 101, 0, "first.jpg"}, {0, 102, 0, "orphan.jpg"}};
    tables.joins = {{0, 101, 10}, {0, 100, 10}, {0, 100, 99}};
    const std::vector<ContactRecord> book = {
        contactRow("Other", "4155550123 "),
        contactRow("Anna", "14155550123 4155550123 +14155550123 "),
        contactRow("Dashes", "5550199 "),
    };
    MessageMap map;
    joinMessages(tables, book, map);

    ASSERT_EQ(map.size(), 4u);
    const MessageRecord& later = map.at(1).at(0);
    EXPECT_EQ(later.address, "+14155550123") << "the first handle row with the id wins";
    EXPECT_EQ(later.contactName, "Anna") << "the address occurs in Anna's text, not Other's";
    EXPECT_EQ(later.attachmentName, "second.jpg")
        << "attachment rows are searched in row order: 100 comes before 101";
    const MessageRecord& first = map.at(2).at(0);
    EXPECT_EQ(first.address, "555-0199");
    EXPECT_EQ(first.contactName, "") << "another written form of the number does not match";
    EXPECT_EQ(map.at(7).at(0).address, "") << "a message whose handle is lost stays";
    EXPECT_EQ(map.at(0).at(0).attachmentName, "")
        << "a message rebuilt without rowid never takes unlinked attachments";
}

TEST(MessagesJoinTest, MessagesWithoutAddressBookStillListed)
{
    MessageTables tables;
    tables.messages = {message(1, 1, "2020-01-01 00:00:00", "hello")};
    tables.handles = {{0, 1, "+1555"}};
    MessageMap map;
    joinMessages(tables, {}, map);
    ASSERT_EQ(map.size(), 1u);
    EXPECT_EQ(map.at(1).at(0).address, "+1555");
    EXPECT_EQ(map.at(1).at(0).contactName, "");
}

TEST(MessagesJoinTest, ConversationsInDateOrderAndDeletedFirst)
{
    MessageTables tables;
    tables.messages = {message(1, 1, "2020-01-03 00:00:00", "c"),
                       message(2, 1, "2020-01-01 00:00:00", "a"),
                       message(3, 2, "2020-01-02 00:00:00", "x", 1),
                       message(4, 2, "2020-01-05 00:00:00", "y"),
                       message(5, 3, "2020-01-04 00:00:00", "z")};
    MessageMap map;
    joinMessages(tables, {}, map);
    EXPECT_EQ(map.at(1).front().text, "a");
    EXPECT_EQ(map.at(1).back().text, "c");
    const auto list = buildConversationList(map);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].handleId, 2) << "the conversation with a deleted message comes first";
    EXPECT_EQ(list[0].deleted, 1);
    EXPECT_EQ(list[0].text, "y") << "its summary is its latest message, which is live";
    EXPECT_EQ(list[1].handleId, 1) << "the others keep their key order";
    EXPECT_EQ(list[2].handleId, 3);
    EXPECT_EQ(list[2].deleted, 0);
}

TEST(ContactsTest, TelephoneTokens)
{
    struct Row
    {
        const char* raw;
        const char* cleaned;
    };

    const Row rows[] = {
        {"14155550123 4155550123 +14155550123 ", "14155550123"},
        {"14155550123 5550000 4155550123 ", "14155550123\n5550000\n4155550123"},
        {"123 45678 ", ""},
        {"4155550123 trailing", "4155550123"},
        {"no-space-at-all", ""},
        {"ÄÖÜäöüß ", "ÄÖÜäöüß"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cleanPhoneText(row.raw), row.cleaned) << row.raw;
    }
}

TEST(ContactsTest, NamesJoinFirstAndLastNameWithASpace)
{
    testsupport::TempDir dir;
    fixtures::AddressBookData book;
    const std::pair<const char*, const char*> names[] = {
        {"Anna", "Hoffmann"}, {"Cher", ""}, {"", "Nakamura"}, {"", ""}};
    std::int64_t rowid = 0;
    for (const auto& [first, last] : names) {
        fixtures::Contact contact;
        contact.rowid = ++rowid;
        contact.first = first;
        contact.last = last;
        contact.phones = {"+1415555000" + std::to_string(rowid)};
        book.contacts.push_back(contact);
    }
    const std::string path = dir.file("AddressBook.sqlitedb");
    ASSERT_EQ(fixtures::writeAddressBookDb(path, fixtures::AddressBookLayout::Current, book), 0);
    std::vector<ContactRecord> rows;
    std::int64_t lastDocid = 0;
    ASSERT_EQ(readAddressBook(path, rows, lastDocid), 0);
    buildContacts(rows);
    std::vector<std::string> found;
    for (const ContactRecord& row : rows) {
        found.push_back(row.name);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"Anna Hoffmann", "Cher", "Nakamura", "No Name"}));
}

TEST(ContactsTest, RowsWithoutTelephoneDroppedNamelessNamedAndSorted)
{
    std::vector<ContactRecord> rows = {contactRow("zed", "5551234567 "),
                                       contactRow("Mail Only", ""),
                                       contactRow("", "5559876543 "),
                                       contactRow("adam", "123 ")};
    rows[1].email = "a@b.c";
    buildContacts(rows);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "adam");
    EXPECT_EQ(rows[0].phones, "") << "short tokens only: the row stays with no numbers";
    EXPECT_EQ(rows[1].name, "No Name");
    EXPECT_EQ(rows[2].name, "zed");
}

TEST(CallHistoryTest, NamesOnlyForNumbersLongerThanFourAndDateOrder)
{
    std::vector<CallRecord> calls(3);
    calls[0] = {0, 1, 0, "2020-02-01 00:00:00", "611", ""};
    calls[1] = {1, 0, 30, "2020-01-01 00:00:00", "4155550123", ""};
    calls[2] = {0, 1, 0, "2020-03-01 00:00:00", "0000000", ""};
    nameAndSortCalls(calls,
                     {contactRow("Carrier", "611 6110000 "), contactRow("Anna", "14155550123 ")});
    EXPECT_EQ(calls[0].number, "4155550123");
    EXPECT_EQ(calls[0].name, "Anna");
    EXPECT_EQ(calls[1].number, "611");
    EXPECT_EQ(calls[1].name, "") << "a 3-digit service number never gets a name";
    EXPECT_EQ(calls[2].name, "");
}

TEST(NotesTest, CleaningOrder)
{
    struct Row
    {
        const char* html;
        const char* text;
    };

    const Row rows[] = {
        {"a &amp;lt; b", "a &lt; b"},
        {"line1<div>line2</div>", "line1\nline2"},
        {"it&#39;s &quot;x&quot; &gt; y&nbsp;z<br>", "it's \"x\" > y z\n"},
        {"&AMP; <DIV> <b>bold</b>", "&AMP; <DIV> <b>bold</b>"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(cleanNoteText(row.html), row.text) << row.html;
    }
}

TEST(NotesTest, BodiesTakeTitleAndDateOfTheirNoteRow)
{
    std::vector<NoteRecord> bodies = {
        {0, 1, "", "", "Body &amp; one"}, {1, 2, "", "", "orphan body"}, {0, 3, "", "", ""}};
    std::vector<NoteRecord> rows = {{0, 1, "2020-01-01 00:00:00", "Title one", ""},
                                    {0, 9, "2020-02-02 00:00:00", "No body", ""},
                                    {0, 8, "2020-03-03 00:00:00", "", ""}};
    std::vector<NoteRecord> out;
    mergeNotes(bodies, rows, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].title, "Title one");
    EXPECT_EQ(out[0].content, "Body & one");
    EXPECT_EQ(out[0].date, "2020-01-01 00:00:00");
    EXPECT_EQ(out[1].content, "orphan body");
    EXPECT_EQ(out[1].date, "");
    EXPECT_EQ(out[1].deleted, 1);
    EXPECT_EQ(out[2].title, "No body");
    EXPECT_EQ(out[2].content, "");
    EXPECT_EQ(out[2].key, 9);
}

WhatsAppMessage waMessage(int rowId, int session, int member, const char* date, const char* text)
{
    WhatsAppMessage m;
    m.rowId = rowId;
    m.sessionId = session;
    m.memberId = member;
    m.date = date;
    m.text = text;
    return m;
}

TEST(WhatsAppJoinTest, SendersMembersMediaAndGroupTexts)
{
    WhatsAppTables tables;
    tables.sessions = {{1, "14155550123", "Anna", "", ""}, {2, "", "Family", "", ""}};
    tables.members = {{5, 2, "111", "Bob"}, {6, 2, "222", ""}, {7, 2, "333", "Cy"}};
    tables.media = {{40, "Media/x/photo.jpg"}};
    tables.messages = {waMessage(1, 2, 5, "2020-01-01 00:00:03", "group hello"),
                       waMessage(2, 1, 0, "2020-01-01 00:00:02", "one to one"),
                       waMessage(3, 2, 7, "2020-01-01 00:00:04", "group again"),
                       waMessage(4, 2, 0, "2020-01-01 00:00:05", "mine"),
                       waMessage(5, 1, 0, "2020-01-01 00:00:06", ""),
                       waMessage(6, 1, 0, "2020-01-01 00:00:01", ""),
                       waMessage(7, 42, 0, "2020-01-01 00:00:07", "unknown chat")};
    tables.messages[3].isFromMe = 1;
    tables.messages[4].mediaId = 40;
    WhatsAppMap map;
    joinWhatsApp(tables, map);

    ASSERT_EQ(map.at(1).size(), 2u) << "a message without text or media is dropped";
    EXPECT_EQ(map.at(1)[0].senderName, "Anna");
    EXPECT_EQ(map.at(1)[0].senderAddress, "14155550123");
    EXPECT_EQ(map.at(1)[0].sessionMembers, "Anna");
    EXPECT_EQ(map.at(1)[1].text, "Media/x/photo.jpg");

    const auto& group = map.at(2);
    ASSERT_EQ(group.size(), 3u);
    EXPECT_EQ(group[0].text, "group hello") << "group texts are kept whatever the row before";
    EXPECT_EQ(group[0].senderName, "Bob");
    EXPECT_EQ(group[0].senderAddress, "111");
    EXPECT_EQ(group[0].sessionMembers, "Bob,Cy") << "a nameless member adds its address only";
    EXPECT_EQ(group[0].sessionAddresses, "111,222,333");
    EXPECT_EQ(group[1].text, "group again");
    EXPECT_EQ(group[1].senderName, "Cy");
    EXPECT_EQ(group[2].senderName, "Me");
    EXPECT_EQ(group[2].senderAddress, "");
    EXPECT_EQ(group[2].sessionName, "Family");

    EXPECT_EQ(map.at(42).at(0).senderName, "") << "a message of an unknown chat stays as it is";
}

TEST(CategoryTableTest, NamesRoundTripInFixedOrder)
{
    const auto& table = categoryTable();
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(static_cast<std::size_t>(table[i].category), i);
        EXPECT_EQ(categoryFromCliName(table[i].cliName), table[i].category);
        EXPECT_EQ(treeLabel(table[i].category, 0), table[i].treeLabel);
    }
    EXPECT_EQ(treeLabel(RecoveryCategory::MessageAttachments, 12), "Messages Attachments (12)");
    EXPECT_FALSE(categoryFromCliName("Messages").has_value());
}

} // namespace
