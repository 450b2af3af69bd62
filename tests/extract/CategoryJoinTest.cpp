// The joins and clean-ups of the database categories, on rows built in the test: the rules
// that decide what a user sees (names by telephone text, first attachments, conversation
// order, telephone tokens, note cleaning, WhatsApp senders and members).
#include "extract/AddressBookIndex.h"
#include "extract/CallHistoryBuilder.h"
#include "extract/ContactsBuilder.h"
#include "extract/MessagesBuilder.h"
#include "extract/NotesBuilder.h"
#include "extract/RecoveryCategory.h"
#include "extract/WhatsAppBuilder.h"
#include "fixtures/devicedb/AddressBookDb.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using namespace extract;
using sqlitecarve::ContactSearchRow;

sqlitecarve::MessageRow message(std::int64_t rowid,
                                std::int64_t handleId,
                                const char* date,
                                const char* text,
                                bool deleted = false)
{
    return {.deleted = deleted, .rowid = rowid, .text = text, .handleId = handleId, .date = date};
}

ContactSearchRow contactRow(const char* first, const char* phone)
{
    return {.first = first, .phone = phone};
}

TEST(MessagesJoinTest, AddressesNamesAndFirstAttachments)
{
    MessageTables tables;
    tables.messages = {message(10, 1, "2020-01-02 10:00:00", "later"),
                       message(11, 2, "2020-01-01 09:00:00", "first"),
                       message(12, 7, "2020-01-03 08:00:00", "lost handle"),
                       message(0, 0, "2020-01-04 08:00:00", "no handle, no rowid", true)};
    tables.handles = {{.rowid = 0, .address = "+999"},
                      {.rowid = 1, .address = "+14155550123"},
                      {.rowid = 2, .address = "555-0199"},
                      {.deleted = true, .rowid = 1, .address = "+10000000000"}};
    tables.attachments = {{.rowid = 100, .fileName = "second.jpg"},
                          {.rowid = 101, .fileName = "first.jpg"},
                          {.rowid = 102, .fileName = "orphan.jpg"}};
    tables.joins = {{.messageId = 10, .attachmentId = 101},
                    {.messageId = 10, .attachmentId = 100},
                    {.messageId = 99, .attachmentId = 100}};
    const std::vector<ContactSearchRow> book = {
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
    EXPECT_EQ(first.contactName, "Dashes") << "another written form matches by its digits";
    EXPECT_EQ(map.at(7).at(0).address, "") << "a message whose handle is lost stays";
    EXPECT_EQ(map.at(0).at(0).attachmentName, "")
        << "a message rebuilt without rowid never takes unlinked attachments";
}

TEST(MessagesJoinTest, MessagesWithoutAddressBookStillListed)
{
    MessageTables tables;
    tables.messages = {message(1, 1, "2020-01-01 00:00:00", "hello")};
    tables.handles = {{.rowid = 1, .address = "+1555"}};
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
                       message(3, 2, "2020-01-02 00:00:00", "x", true),
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

TEST(AddressBookIndexTest, NamesByTextEmailAndNationalDigits)
{
    const std::vector<ContactSearchRow> book = {
        contactRow("Exact", "+19195790479 "),
        contactRow("Formatted", "(919) 579-0479 "),
        contactRow("London", "020 7946 0958 "),
        contactRow("Paris", "06 12 34 56 78 "),
        contactRow("Device", "14155550123 4155550123 +14155550123 "),
        contactRow("Shop", "72727 "),
        contactRow("Two numbers", "5551234 5559876 "),
        contactRow("Extension", "4155550177;ext=12 "),
        {.first = "Mail", .phone = "", .email = "Anna.Ek@Example.com other@example.org "},
    };

    const struct
    {
        const char* address;
        const char* name;
    } cases[] = {
        {"+19195790479", "Exact"},          // the exact text wins over the digits
        {"919-579-0479", "Exact"},          // digits: the first row holding the number
        {"+44 20 7946 0958", "London"},     // country code against a trunk 0
        {"+442079460958", "London"},        //
        {"00442079460958", "London"},       // international prefix
        {"+33612345678", "Paris"},          // nine significant digits
        {"(415) 555-0123", "Device"},       // the device's own variants
        {"5550123", "Device"},              // a local seven-digit number
        {"72727", "Shop"},                  // a short code: its own whole token
        {"2727", ""},                       // not part of a longer short code
        {"+1 212 557 2727", ""},            // a short code never matches by digits
        {"+1 212 555 9876", "Two numbers"}, // the second number only, not the two joined
        {"+1 234 555 9876", "Two numbers"}, //
        {"4155550177;ext=12", "Extension"}, // no number: found by its text alone
        {"550177;ext=1", "Extension"},      // inside a token
        {"550177;ext=3", ""},               //
        {"555123", ""},                     // too few digits for a digit match
        {"+14155550124", ""},               // one digit off
        {"anna.ek@example.COM", "Mail"},    // e-mail, ASCII case ignored
        {"OTHER@example.org", "Mail"},      //
        {"anna@example.com", ""},           //
        {"", ""},
    };

    AddressBookIndex index(book);
    for (const auto& c : cases) {
        EXPECT_EQ(index.nameOf(c.address), c.name) << c.address;
    }
    EXPECT_EQ(index.nameOf("+19195790479"), "Exact") << "a remembered answer";
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
        // The number as typed keeps its area code; the derived forms after it are dropped.
        {"(919) 579-0479 19195790479 9195790479 +19195790479 5790479 ", "(919) 579-0479"},
        {"+1 (415) 555-0123 14155550123 4155550123 +14155550123 +44 20 7946 0958 "
         "442079460958 2079460958 +442079460958 ",
         "+1 (415) 555-0123\n+44 20 7946 0958"},
        {"555 5555 5555555 ", "555 5555"},
        {"0171 1234567 01711234567 (030) 901820 ", "0171 1234567\n(030) 901820"},
        {"123 45678 ", "123 45678"},
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
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<ContactSearchRow> rows;
    ASSERT_EQ(sqlitecarve::readContactSearch(db, rows), 0);
    std::vector<ContactRecord> contacts;
    buildContacts(rows, contacts);
    std::vector<std::string> found;
    for (const ContactRecord& contact : contacts) {
        found.push_back(contact.name);
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"Anna Hoffmann", "Cher", "Nakamura", "No Name"}));
}

TEST(ContactsTest, RowsWithoutTelephoneKeptCompanyCardsNamedEmptyRowsDroppedSorted)
{
    std::vector<ContactSearchRow> rows = {contactRow("zed", "5551234567 "),
                                          contactRow("Mail Only", ""),
                                          contactRow("", "5559876543 "),
                                          contactRow("", "5550001111 "),
                                          contactRow("", ""),
                                          contactRow("adam", "123 ")};
    rows[1].email = "a@b.c";
    rows[3].organization = "Pizzeria";
    std::vector<ContactRecord> contacts;
    buildContacts(rows, contacts);
    ASSERT_EQ(contacts.size(), 5u);
    EXPECT_EQ(contacts[0].name, "adam");
    EXPECT_EQ(contacts[0].phones, "123");
    EXPECT_EQ(contacts[1].name, "Mail Only");
    EXPECT_EQ(contacts[1].email, "a@b.c");
    EXPECT_EQ(contacts[2].name, "No Name");
    EXPECT_EQ(contacts[3].name, "Pizzeria");
    EXPECT_EQ(contacts[3].phones, "5550001111");
    EXPECT_EQ(contacts[4].name, "zed");
}

TEST(CallHistoryTest, NamesOnlyForNumbersLongerThanFourAndDateOrder)
{
    const std::vector<sqlitecarve::CallRow> rows = {
        {.date = "2020-02-01 00:00:00", .duration = -5, .address = "611"},
        {.deleted = true,
         .outgoing = true,
         .date = "2020-01-01 00:00:00",
         .duration = 30,
         .address = "4155550123"},
        {.date = "2020-03-01 00:00:00", .duration = 1LL << 40, .address = "0000000"}};
    std::vector<CallRecord> calls;
    buildCalls(
        rows, {contactRow("Carrier", "611 6110000 "), contactRow("Anna", "14155550123 ")}, calls);
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].number, "4155550123");
    EXPECT_EQ(calls[0].name, "Anna");
    EXPECT_EQ(calls[0].incoming, 0);
    EXPECT_EQ(calls[0].deleted, 1);
    EXPECT_EQ(calls[0].duration, 30);
    EXPECT_EQ(calls[1].number, "611");
    EXPECT_EQ(calls[1].name, "") << "a 3-digit service number never gets a name";
    EXPECT_EQ(calls[1].incoming, 1);
    EXPECT_EQ(calls[1].duration, 0) << "a negative length is no length";
    EXPECT_EQ(calls[2].name, "");
    EXPECT_EQ(calls[2].duration, 2147483647) << "a length beyond 32 bits is capped";
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
    const std::vector<sqlitecarve::NoteBodyRow> bodies = {
        {.rowid = 1, .content = "Body &amp; one"},
        {.deleted = true, .rowid = 2, .content = "orphan body"},
        {.rowid = 3, .content = ""}};
    const std::vector<sqlitecarve::NoteRow> rows = {
        {.bodyId = 1, .modificationDate = "2020-01-01 00:00:00", .title = "Title one"},
        {.bodyId = 9, .modificationDate = "2020-02-02 00:00:00", .title = "No body"},
        {.bodyId = 8, .modificationDate = "2020-03-03 00:00:00", .title = ""}};
    std::vector<NoteRecord> out;
    mergeNotes(bodies, rows, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].title, "Title one");
    EXPECT_EQ(out[0].content, "Body & one");
    EXPECT_EQ(out[0].date, "2020-01-01 00:00:00");
    EXPECT_EQ(out[1].content, "orphan body");
    EXPECT_EQ(out[1].date, "");
    EXPECT_EQ(out[1].deleted, 1);
    EXPECT_EQ(out[1].deletedSource, "freeSpace");
    EXPECT_EQ(out[0].deletedSource, "");
    EXPECT_EQ(out[0].modified, out[0].date);
    EXPECT_EQ(out[2].title, "No body");
    EXPECT_EQ(out[2].content, "");
    EXPECT_EQ(out[2].key, 9);
}

sqlitecarve::WhatsAppMessageRow waMessage(std::int64_t rowid,
                                          std::int64_t session,
                                          std::int64_t member,
                                          const char* date,
                                          const char* text)
{
    return {
        .rowid = rowid, .chatSession = session, .groupMember = member, .date = date, .text = text};
}

TEST(WhatsAppJoinTest, SendersMembersMediaAndGroupTexts)
{
    WhatsAppTables tables;
    tables.sessions = {{.rowid = 1, .contactJid = "14155550123", .partnerName = "Anna"},
                       {.rowid = 2, .contactJid = "", .partnerName = "Family"},
                       {.rowid = 3, .contactJid = "447700900123", .partnerName = ""}};
    tables.members = {{.rowid = 5, .chatSession = 2, .name = "Bob", .memberJid = "111"},
                      {.rowid = 6, .chatSession = 2, .name = "", .memberJid = "222"},
                      {.rowid = 7, .chatSession = 2, .name = "Cy", .memberJid = "333"}};
    tables.media = {{.rowid = 40, .localPath = "Media/x/photo.jpg"}};
    tables.messages = {waMessage(1, 2, 5, "2020-01-01 00:00:03", "group hello"),
                       waMessage(2, 1, 0, "2020-01-01 00:00:02", "one to one"),
                       waMessage(3, 2, 7, "2020-01-01 00:00:04", "group again"),
                       waMessage(4, 2, 0, "2020-01-01 00:00:05", "mine"),
                       waMessage(5, 1, 0, "2020-01-01 00:00:06", ""),
                       waMessage(6, 1, 0, "2020-01-01 00:00:01", ""),
                       waMessage(7, 42, 0, "2020-01-01 00:00:07", "unknown chat"),
                       waMessage(8, 3, 0, "2020-01-01 00:00:08", "unnamed partner")};
    tables.messages[3].isFromMe = true;
    tables.messages[4].mediaItem = 40;
    WhatsAppMap map;
    joinWhatsApp(tables, {{.first = "Zoe", .phone = "07700 900123 "}}, map);

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
    EXPECT_EQ(map.at(3).at(0).senderName, "Zoe") << "named by the address book's number";
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
