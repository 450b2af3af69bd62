// Folder listing, exact reads and whole-file helpers.
#include "platform/File.h"

#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

using namespace platform;
using testsupport::TempDir;

TEST(ListFolderEntriesTest, SkipsDotEntriesAndKeepsFilesAndFolders)
{
    TempDir dir;
    testsupport::writeFileBytes(dir.file("a.bin"), "x");
    testsupport::writeFileBytes(dir.file(".hidden"), "x");
    std::filesystem::create_directory(dir.file("sub"));

    std::vector<std::string> entries{"kept"};
    ASSERT_TRUE(listFolderEntries(dir.path(), entries));
    std::sort(entries.begin() + 1, entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"kept", dir.file("a.bin"), dir.file("sub")}));
}

TEST(ListFolderEntriesTest, MissingEmptyAndTrailingSeparator)
{
    TempDir dir;
    std::vector<std::string> entries;
    EXPECT_FALSE(listFolderEntries(dir.file("missing"), entries));
    EXPECT_TRUE(listFolderEntries(dir.path(), entries));
    EXPECT_TRUE(entries.empty());

    testsupport::writeFileBytes(dir.file("f"), "x");
    std::vector<std::string> plain;
    std::vector<std::string> trailing;
    ASSERT_TRUE(listFolderEntries(dir.path(), plain));
    ASSERT_TRUE(listFolderEntries(dir.path() + "/", trailing));
    EXPECT_EQ(plain, trailing);
    EXPECT_EQ(plain.front(), dir.file("f"));
}

TEST(ReadExactTest, ShortFileReportsWhatArrived)
{
    TempDir dir;
    testsupport::writeFileBytes(dir.file("short"), std::string(100, 'a'));
    File file;
    ASSERT_EQ(file.openRead(dir.file("short")), kStatusOk);
    std::vector<char> buffer(512);
    std::size_t got = 0;
    EXPECT_EQ(readExact(file, buffer.data(), 512, got), kStatusShortRead);
    EXPECT_EQ(got, 100u);
    EXPECT_EQ(readExact(file, buffer.data(), 0, got), kStatusOk);
    EXPECT_EQ(got, 0u);
}

TEST(ReadExactTest, LargeReadCrossesPieces)
{
    TempDir dir;
    std::string content(200000, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    testsupport::writeFileBytes(dir.file("big"), content);
    File file;
    ASSERT_EQ(file.openRead(dir.file("big")), kStatusOk);
    std::string buffer(content.size(), '\0');
    std::size_t got = 0;
    ASSERT_EQ(readExact(file, buffer.data(), buffer.size(), got), kStatusOk);
    EXPECT_EQ(buffer, content);

    std::uint64_t size = 0;
    EXPECT_EQ(getFileSize(dir.file("big"), size), kStatusOk);
    EXPECT_EQ(size, content.size());
    EXPECT_NE(getFileSize(dir.file("none"), size), kStatusOk);
    EXPECT_NE(file.openRead(dir.path()), kStatusOk) << "a folder is not a file";
}

TEST(WholeFileTest, SizeCapAndPrivateFolder)
{
    TempDir dir;
    ASSERT_EQ(writeWholeFile(dir.file("f"), "hello"), kStatusOk);
    std::string content;
    EXPECT_EQ(readWholeFile(dir.file("f"), 5, content), kStatusOk);
    EXPECT_EQ(content, "hello");
    EXPECT_EQ(readWholeFile(dir.file("f"), 4, content), kStatusInvalid);

    const std::string secret = dir.file("a/b/secret");
    ASSERT_EQ(createPrivateFolder(secret), kStatusOk);

    struct stat info
    {};

    ASSERT_EQ(::stat(secret.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_NE(createFolders(dir.file("f/below-a-file")), kStatusOk);
}
