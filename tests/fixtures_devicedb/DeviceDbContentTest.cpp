// Live rows of the generated databases read back through the SQLite library, deleted rows are
// gone from the tables while their bytes stay in the file, and dates carry each store's unit.
#include "SqliteProbe.h"
#include "devicedb/AddressBookDb.h"
#include "devicedb/CallHistoryDb.h"
#include "devicedb/GzipStored.h"
#include "devicedb/NotesDb.h"
#include "devicedb/SmsDb.h"
#include "devicedb/WhatsAppDb.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "support/TempDir.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace {

using devicedbtest::contains;
using devicedbtest::fileBytes;
using devicedbtest::queryInt;
using devicedbtest::queryText;

constexpr std::int64_t kWhen = 1600000000; // 2020-09-13 12:26:40 UTC

// Texts long enough that a free-block header over the first four bytes of a deleted cell
// cannot reach them.
const std::string kLiveText = "live row text, Grüße 🎉 kept-7731";
const std::string kDeletedText = "deleted row text, Ελένη 🗑 gone-4412";

struct ContentCase
{
    const char* name;
    std::function<int(const std::string&)> write;
    const char* liveQuery;    // yields kLiveText
    const char* deletedQuery; // counts rows that should be gone: 0
};

fixtures::SmsData smsData()
{
    fixtures::SmsData data;
    data.handles.push_back({1, "+14155550100", "us", "SMS"});
    data.chats.push_back({1, "SMS;-;+14155550100", "+14155550100", "SMS", "", {1}});
    for (std::int64_t id = 1; id <= 40; ++id) {
        const std::string text = id == 7    ? kLiveText
                                 : id == 21 ? kDeletedText
                                            : "filler " + std::to_string(id);
        data.messages.push_back(
            {id, "GUID-" + std::to_string(id), text, 1, 1, id % 2 == 0, kWhen + id, "SMS"});
    }
    data.deleteMessageRowids = {21};
    return data;
}

fixtures::AddressBookData contactsData()
{
    fixtures::AddressBookData data;
    for (std::int64_t id = 1; id <= 30; ++id) {
        fixtures::Contact contact;
        contact.rowid = id;
        contact.first = id == 5 ? kLiveText : id == 17 ? kDeletedText : "Person";
        contact.last = "Number " + std::to_string(id);
        contact.phones = {"+1415555" + std::to_string(1000 + id)};
        data.contacts.push_back(contact);
    }
    data.deleteContactRowids = {17};
    return data;
}

fixtures::CallHistoryData callData()
{
    fixtures::CallHistoryData data;
    for (std::int64_t id = 1; id <= 40; ++id) {
        fixtures::PhoneCall call;
        call.rowid = id;
        call.address = id == 9    ? kLiveText
                       : id == 30 ? kDeletedText
                                  : "+4915112345" + std::to_string(id);
        call.unixSeconds = kWhen + id * 60;
        call.fractionMillis = 250;
        call.durationSeconds = id;
        call.outgoing = id % 2 == 1;
        data.calls.push_back(call);
    }
    data.deleteCallRowids = {30};
    return data;
}

fixtures::NotesData notesData()
{
    fixtures::NotesData data;
    for (std::int64_t id = 1; id <= 30; ++id) {
        fixtures::Note note;
        note.id = id;
        note.title = id == 4 ? kLiveText : id == 12 ? kDeletedText : "Note " + std::to_string(id);
        note.lines = {"a & b < c", "second line"};
        note.createdUnix = kWhen;
        note.modifiedUnix = kWhen + 3600;
        data.notes.push_back(note);
    }
    data.deleteNoteIds = {12};
    return data;
}

fixtures::WhatsAppData whatsAppData()
{
    fixtures::WhatsAppData data;
    data.sessions.push_back({1, "14155550100@s.whatsapp.net", "Anna", false, kWhen});
    for (std::int64_t id = 1; id <= 40; ++id) {
        fixtures::WaMessage message;
        message.id = id;
        message.sessionId = 1;
        message.unixSeconds = kWhen + id;
        message.text = id == 3 ? kLiveText : id == 25 ? kDeletedText : "wa " + std::to_string(id);
        message.stanzaId = "STANZA" + std::to_string(id);
        data.messages.push_back(message);
    }
    data.deleteMessageIds = {25};
    return data;
}

std::vector<ContentCase> contentCases()
{
    using namespace fixtures;
    return {
        {"sms9",
         [](const std::string& p) { return writeSmsDb(p, SmsLayout::Ios9, smsData()); },
         "SELECT text FROM message WHERE ROWID = 7",
         "SELECT count(*) FROM message WHERE ROWID = 21"},
        {"sms14",
         [](const std::string& p) { return writeSmsDb(p, SmsLayout::Ios14, smsData()); },
         "SELECT text FROM message WHERE ROWID = 7",
         "SELECT count(*) FROM chat_message_join WHERE message_id = 21"},
        {"contacts_legacy",
         [](const std::string& p) {
             return writeAddressBookDb(p, AddressBookLayout::Legacy, contactsData());
         },
         "SELECT c0First FROM ABPersonFullTextSearch_content WHERE docid = 5",
         "SELECT count(*) FROM ABPersonFullTextSearch_content WHERE docid = 17"},
        {"contacts_current",
         [](const std::string& p) {
             return writeAddressBookDb(p, AddressBookLayout::Current, contactsData());
         },
         "SELECT First FROM ABPerson WHERE ROWID = 5",
         "SELECT count(*) FROM ABPerson WHERE ROWID = 17"},
        {"calls_db",
         [](const std::string& p) {
             return writeCallHistoryDb(p, CallHistoryLayout::CallDb, callData());
         },
         "SELECT address FROM call WHERE ROWID = 9",
         "SELECT count(*) FROM call WHERE ROWID = 30"},
        {"calls_store",
         [](const std::string& p) {
             return writeCallHistoryDb(p, CallHistoryLayout::StoreIos11, callData());
         },
         "SELECT ZADDRESS FROM ZCALLRECORD WHERE Z_PK = 9",
         "SELECT count(*) FROM ZCALLRECORD WHERE Z_PK = 30"},
        {"notes_legacy",
         [](const std::string& p) { return writeNotesDb(p, NotesLayout::LegacyIos9, notesData()); },
         "SELECT ZTITLE FROM ZNOTE WHERE Z_PK = 4",
         "SELECT count(*) FROM ZNOTEBODY WHERE ZOWNER = 12"},
        {"notestore",
         [](const std::string& p) {
             return writeNotesDb(p, NotesLayout::NoteStoreIos11, notesData());
         },
         "SELECT ZTITLE1 FROM ZICCLOUDSYNCINGOBJECT WHERE Z_PK = 4",
         "SELECT count(*) FROM ZICNOTEDATA WHERE ZNOTE = 12"},
        {"whatsapp",
         [](const std::string& p) { return writeWhatsAppDb(p, whatsAppData()); },
         "SELECT ZTEXT FROM ZWAMESSAGE WHERE Z_PK = 3",
         "SELECT count(*) FROM ZWAMESSAGE WHERE Z_PK = 25"},
    };
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const ContentCase& value, std::ostream* out)
{
    *out << value.name;
}

class DeviceDbContentTest : public testing::TestWithParam<ContentCase>
{};

TEST_P(DeviceDbContentTest, LiveRowsReadBackAndDeletedBytesStay)
{
    const ContentCase& content = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.file("device.db");
    ASSERT_EQ(content.write(path), 0);
    EXPECT_FALSE(platform::fileExists(path + "-journal"));
    EXPECT_FALSE(platform::fileExists(path + "-wal"));
    EXPECT_EQ(queryText(path, content.liveQuery), kLiveText);
    EXPECT_EQ(queryInt(path, content.deletedQuery), 0);
    EXPECT_EQ(queryInt(path, "PRAGMA page_size"), 4096);
    const std::string bytes = fileBytes(path);
    EXPECT_TRUE(contains(bytes, kLiveText));
    EXPECT_TRUE(contains(bytes, kDeletedText)) << "secure delete wiped the deleted row";
}

INSTANTIATE_TEST_SUITE_P(AllStores,
                         DeviceDbContentTest,
                         testing::ValuesIn(contentCases()),
                         [](const testing::TestParamInfo<ContentCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(DeviceDbDates, EachStoreKeepsItsOwnUnit)
{
    testsupport::TempDir dir;
    const std::int64_t apple = 1600000001 - platform::kAppleEpochOffset;
    const std::string sms9 = dir.file("sms9.db");
    const std::string sms14 = dir.file("sms14.db");
    ASSERT_EQ(fixtures::writeSmsDb(sms9, fixtures::SmsLayout::Ios9, smsData()), 0);
    ASSERT_EQ(fixtures::writeSmsDb(sms14, fixtures::SmsLayout::Ios14, smsData()), 0);
    EXPECT_EQ(queryInt(sms9, "SELECT date FROM message WHERE ROWID = 1"), apple);
    EXPECT_EQ(queryInt(sms14, "SELECT date FROM message WHERE ROWID = 1"), apple * 1000000000LL);
    EXPECT_EQ(queryInt(sms14, "SELECT message_date FROM chat_message_join WHERE message_id = 1"),
              apple * 1000000000LL);

    const std::string store = dir.file("store.db");
    const std::string callDb = dir.file("call.db");
    ASSERT_EQ(
        fixtures::writeCallHistoryDb(store, fixtures::CallHistoryLayout::StoreIos9, callData()), 0);
    ASSERT_EQ(fixtures::writeCallHistoryDb(callDb, fixtures::CallHistoryLayout::CallDb, callData()),
              0);
    EXPECT_EQ(queryText(store,
                        "SELECT typeof(ZDATE) || ' ' || ZDATE FROM ZCALLRECORD "
                        "WHERE Z_PK = 1"),
              "real " + std::to_string(1600000060 - platform::kAppleEpochOffset) + ".25");
    EXPECT_EQ(queryInt(callDb, "SELECT date FROM call WHERE ROWID = 1"), 1600000060);
    // Outgoing: bit 0 of flags; every sample call is a telephone call (bit 2).
    EXPECT_EQ(queryInt(callDb, "SELECT flags FROM call WHERE ROWID = 1"), 5);
    EXPECT_EQ(queryInt(callDb, "SELECT flags FROM call WHERE ROWID = 2"), 4);
    EXPECT_EQ(queryInt(store, "SELECT ZORIGINATED FROM ZCALLRECORD WHERE Z_PK = 1"), 1);
}

TEST(DeviceDbNotes, BodiesAreStoredAsTheStoreExpects)
{
    testsupport::TempDir dir;
    const std::string legacy = dir.file("notes.sqlite");
    const std::string store = dir.file("NoteStore.sqlite");
    ASSERT_EQ(fixtures::writeNotesDb(legacy, fixtures::NotesLayout::LegacyIos6, notesData()), 0);
    ASSERT_EQ(fixtures::writeNotesDb(store, fixtures::NotesLayout::NoteStoreIos11, notesData()), 0);
    EXPECT_EQ(queryText(legacy, "SELECT ZCONTENT FROM ZNOTEBODY WHERE Z_PK = 1"),
              "Note 1<div>a &amp; b &lt; c</div><div>second line</div>");
    EXPECT_EQ(queryInt(legacy, "SELECT ZBODY FROM ZNOTE WHERE Z_PK = 1"), 1);
    EXPECT_EQ(queryText(store, "SELECT ZSNIPPET FROM ZICCLOUDSYNCINGOBJECT WHERE Z_PK = 1"),
              "a & b < c");
    // The query the note reader runs works on the generated store.
    EXPECT_EQ(queryText(store,
                        "SELECT datetime(ZCREATIONDATE1 + 978307200, 'unixepoch') FROM "
                        "ZICCLOUDSYNCINGOBJECT WHERE Z_PK = 1"),
              "2020-09-13 12:26:40");
    const auto gzip = queryText(store, "SELECT ZDATA FROM ZICNOTEDATA WHERE ZNOTE = 1");
    ASSERT_TRUE(gzip.has_value());
    const fixtures::Note first = notesData().notes.front();
    EXPECT_EQ(
        *gzip,
        fixtures::gzipStored(fixtures::noteStoreDocument(fixtures::noteStoreParagraphs(first))));
}

} // namespace
