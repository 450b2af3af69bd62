// The generated device databases hold the column layouts of real devices: the right number of
// columns and the columns the readers take at the positions devices use.
#include "SqliteProbe.h"
#include "devicedb/AddressBookDb.h"
#include "devicedb/CallHistoryDb.h"
#include "devicedb/NotesDb.h"
#include "devicedb/SmsDb.h"
#include "devicedb/WhatsAppDb.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using devicedbtest::tableColumns;
using Writer = std::function<int(const std::string&)>;

struct LayoutCase
{
    const char* name;
    Writer write;
    const char* table;
    std::size_t columnCount;
    std::vector<std::pair<const char*, std::size_t>> positions;
};

Writer sms(fixtures::SmsLayout layout)
{
    return [layout](const std::string& path) {
        return fixtures::writeSmsDb(path, layout, fixtures::sampleSmsData(1, {3, 20, 2, 2}));
    };
}

Writer addressBook(fixtures::AddressBookLayout layout)
{
    return [layout](const std::string& path) {
        return fixtures::writeAddressBookDb(
            path, layout, fixtures::sampleAddressBookData(2, {10, 1}));
    };
}

Writer calls(fixtures::CallHistoryLayout layout)
{
    return [layout](const std::string& path) {
        return fixtures::writeCallHistoryDb(
            path, layout, fixtures::sampleCallHistoryData(3, {20, 5, 2}));
    };
}

Writer notes(fixtures::NotesLayout layout)
{
    return [layout](const std::string& path) {
        return fixtures::writeNotesDb(path, layout, fixtures::sampleNotesData(4, {10, 1}));
    };
}

Writer whatsApp()
{
    return [](const std::string& path) {
        return fixtures::writeWhatsAppDb(path, fixtures::sampleWhatsAppData(5, {4, 1, 30, 3, 2}));
    };
}

std::vector<LayoutCase> layoutCases()
{
    using fixtures::AddressBookLayout;
    using fixtures::CallHistoryLayout;
    using fixtures::NotesLayout;
    using fixtures::SmsLayout;
    return {
        {"sms9_message",
         sms(SmsLayout::Ios9),
         "message",
         51,
         {{"text", 2}, {"handle_id", 5}, {"date", 15}, {"is_from_me", 21}}},
        {"sms14_message",
         sms(SmsLayout::Ios14),
         "message",
         74,
         {{"text", 2}, {"handle_id", 5}, {"date", 15}, {"is_from_me", 21}, {"sort_id", 69}}},
        {"sms9_handle", sms(SmsLayout::Ios9), "handle", 5, {{"id", 1}}},
        {"sms14_handle", sms(SmsLayout::Ios14), "handle", 6, {{"id", 1}}},
        {"sms9_attachment", sms(SmsLayout::Ios9), "attachment", 12, {{"filename", 4}}},
        {"sms14_attachment", sms(SmsLayout::Ios14), "attachment", 20, {{"filename", 4}}},
        {"sms9_join",
         sms(SmsLayout::Ios9),
         "message_attachment_join",
         2,
         {{"message_id", 0}, {"attachment_id", 1}}},
        {"sms14_chat_join",
         sms(SmsLayout::Ios14),
         "chat_message_join",
         3,
         {{"chat_id", 0}, {"message_id", 1}, {"message_date", 2}}},
        {"sms9_chat_join", sms(SmsLayout::Ios9), "chat_message_join", 2, {{"message_id", 1}}},
        {"sms9_chat", sms(SmsLayout::Ios9), "chat", 16, {{"chat_identifier", 6}}},
        {"sms14_chat_handle", sms(SmsLayout::Ios14), "chat_handle_join", 2, {{"handle_id", 1}}},
        {"contacts_legacy",
         addressBook(AddressBookLayout::Legacy),
         "ABPersonFullTextSearch_content",
         25,
         {{"c0First", 1},
          {"c1Last", 2},
          {"c6Organization", 7},
          {"c15Phone", 16},
          {"c16Email", 17},
          {"c17Address", 18},
          {"c18SocialProfile", 19},
          {"c19URL", 20}}},
        {"contacts_current",
         addressBook(AddressBookLayout::Current),
         "ABPersonFullTextSearch_content",
         26,
         {{"c0First", 1},
          {"c1Last", 2},
          {"c6Organization", 7},
          {"c16Phone", 17},
          {"c17Email", 18},
          {"c18Address", 19},
          {"c19SocialProfile", 20},
          {"c20URL", 21}}},
        {"contacts_person_legacy",
         addressBook(AddressBookLayout::Legacy),
         "ABPerson",
         28,
         {{"First", 1}, {"Last", 2}}},
        {"contacts_person_current",
         addressBook(AddressBookLayout::Current),
         "ABPerson",
         58,
         {{"First", 1}, {"guid", 34}}},
        {"contacts_multivalue",
         addressBook(AddressBookLayout::Current),
         "ABMultiValue",
         6,
         {{"record_id", 1}, {"value", 5}}},
        {"calls_db",
         calls(CallHistoryLayout::CallDb),
         "call",
         14,
         {{"address", 1}, {"date", 2}, {"duration", 3}, {"flags", 4}}},
        {"calls_store9",
         calls(CallHistoryLayout::StoreIos9),
         "ZCALLRECORD",
         18,
         {{"ZORIGINATED", 8}, {"ZDATE", 10}, {"ZDURATION", 11}, {"ZADDRESS", 17}}},
        {"calls_store11",
         calls(CallHistoryLayout::StoreIos11),
         "ZCALLRECORD",
         21,
         {{"ZORIGINATED", 10}, {"ZDATE", 12}, {"ZDURATION", 13}, {"ZADDRESS", 20}}},
        {"notes_ios6",
         notes(NotesLayout::LegacyIos6),
         "ZNOTE",
         19,
         {{"ZBODY", 10}, {"ZMODIFICATIONDATE", 13}, {"ZTITLE", 18}}},
        {"notes_ios9",
         notes(NotesLayout::LegacyIos9),
         "ZNOTE",
         20,
         {{"ZBODY", 11}, {"ZMODIFICATIONDATE", 14}, {"ZTITLE", 19}}},
        {"notes_body", notes(NotesLayout::LegacyIos9), "ZNOTEBODY", 7, {{"ZCONTENT", 4}}},
        {"notestore_objects",
         notes(NotesLayout::NoteStoreIos11),
         "ZICCLOUDSYNCINGOBJECT",
         134,
         {{"ZCREATIONDATE1", 73}, {"ZMODIFICATIONDATE1", 78}, {"ZSNIPPET", 102}, {"ZTITLE1", 104}}},
        {"notestore_data",
         notes(NotesLayout::NoteStoreIos11),
         "ZICNOTEDATA",
         7,
         {{"ZNOTE", 3}, {"ZDATA", 6}}},
        {"whatsapp_message",
         whatsApp(),
         "ZWAMESSAGE",
         34,
         {{"ZISFROMME", 12},
          {"ZCHATSESSION", 19},
          {"ZGROUPMEMBER", 20},
          {"ZMEDIAITEM", 22},
          {"ZMESSAGEDATE", 25},
          {"ZTEXT", 32}}},
        {"whatsapp_session",
         whatsApp(),
         "ZWACHATSESSION",
         25,
         {{"ZCONTACTJID", 20}, {"ZPARTNERNAME", 23}}},
        {"whatsapp_member",
         whatsApp(),
         "ZWAGROUPMEMBER",
         13,
         {{"ZCHATSESSION", 7}, {"ZCONTACTNAME", 10}, {"ZMEMBERJID", 12}}},
        {"whatsapp_media", whatsApp(), "ZWAMEDIAITEM", 24, {{"ZMEDIALOCALPATH", 15}}},
    };
}

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LayoutCase& value, std::ostream* out)
{
    *out << value.name;
}

class DeviceDbLayoutTest : public testing::TestWithParam<LayoutCase>
{};

TEST_P(DeviceDbLayoutTest, HoldsTheDeviceColumnsAtTheirPositions)
{
    const LayoutCase& layout = GetParam();
    testsupport::TempDir dir;
    const std::string path = dir.file("device.db");
    ASSERT_EQ(layout.write(path), 0);
    const std::vector<std::string> columns = tableColumns(path, layout.table);
    ASSERT_EQ(columns.size(), layout.columnCount) << layout.table;
    for (const auto& [name, position] : layout.positions) {
        ASSERT_LT(position, columns.size());
        EXPECT_EQ(columns[position], name) << layout.table << " column " << position;
    }
}

INSTANTIATE_TEST_SUITE_P(AllLayouts,
                         DeviceDbLayoutTest,
                         testing::ValuesIn(layoutCases()),
                         [](const testing::TestParamInfo<LayoutCase>& param) {
                             return std::string(param.param.name);
                         });

// The current message table is column for column the one of the real iOS 14 backup.
TEST(DeviceDbLayoutTest, CurrentMessageTableMatchesTheRealBackup)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(real,
                                    "ios-backup-mvt/3d/3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    testsupport::TempDir dir;
    const std::string path = dir.file("sms.db");
    ASSERT_EQ(fixtures::writeSmsDb(path, fixtures::SmsLayout::Ios14, {}), 0);
    for (const char* table : {"message", "handle"}) {
        EXPECT_EQ(tableColumns(path, table), tableColumns(real, table)) << table;
    }
}

} // namespace
