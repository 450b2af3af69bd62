// The path rule for content files: flat, two-level, encrypted, and names that must not lead
// outside the backup folder; the fixed names of the device databases.
#include "catalogue/BackupFiles.h"

#include "formats/FileId.h"

#include <gtest/gtest.h>

using namespace catalogue;

TEST(BackupFilePathTest, LayoutRules)
{
    const std::string id(kMessagesDbId);

    struct Case
    {
        bool encrypted;
        bool manifestDb;
        std::string expected;
    };

    const Case cases[] = {
        {false, true, "/b/3d/" + id},
        {false, false, "/b/" + id},
        {true, true, "/b/" + id},
        {true, false, "/b/" + id},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(backupFilePath("/b", id, c.encrypted, c.manifestDb), c.expected)
            << c.encrypted << c.manifestDb;
        EXPECT_EQ(backupFilePath("/b/", id, c.encrypted, c.manifestDb), c.expected);
    }
}

TEST(BackupFilePathTest, NamesThatCouldLeaveTheFolderGiveNoPath)
{
    for (const char* id : {"", "..", "../../etc/passwd", "ab/cd", "a b", "3d\\x", "x\n"}) {
        EXPECT_EQ(backupFilePath("/b", id, false, true), "") << id;
        EXPECT_FALSE(isSafeFileId(id)) << id;
    }
    EXPECT_EQ(backupFilePath("/b", "A", false, true), "/b/A/A");
}

TEST(BackupFilesTest, FixedDatabaseNamesAreDigestsOfTheirPaths)
{
    const std::pair<const char*, std::string_view> names[] = {
        {"HomeDomain-Library/AddressBook/AddressBook.sqlitedb", kContactsDbId},
        {"HomeDomain-Library/SMS/sms.db", kMessagesDbId},
        {"HomeDomain-Library/CallHistoryDB/CallHistory.storedata", kCallHistoryDbId},
        {"WirelessDomain-Library/CallHistory/call_history.db", kCallHistoryLegacyDbId},
        {"HomeDomain-Library/Notes/notes.sqlite", kNotesLegacyDbId},
        {"AppDomainGroup-group.com.apple.notes-NoteStore.sqlite", kNotesDbId},
    };
    for (const auto& [path, id] : names) {
        EXPECT_EQ(formats::sha1Hex(path), id) << path;
    }
}
