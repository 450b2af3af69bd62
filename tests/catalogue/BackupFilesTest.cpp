// The path rule for content files: flat, two-level, encrypted, and names that must not lead
// outside the backup folder.
#include "catalogue/BackupFiles.h"

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
