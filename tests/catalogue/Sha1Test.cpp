// SHA-1 digests: the standard test vectors and the fixed database names derived from paths.
#include "catalogue/Sha1.h"

#include "catalogue/BackupFiles.h"

#include <gtest/gtest.h>

using namespace catalogue;

TEST(Sha1Test, StandardVectors)
{
    struct Vector
    {
        std::string input;
        const char* digest;
    };

    const Vector vectors[] = {
        {"", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'), "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
        // The digest covers every byte, an embedded NUL included.
        {std::string("a\0b", 3), "4a3dec2d1f8245280855c42db0ee4239f917fdb8"},
    };
    for (const Vector& vector : vectors) {
        EXPECT_EQ(sha1Hex(vector.input), vector.digest) << vector.input.substr(0, 20);
    }
}

TEST(Sha1Test, FixedDatabaseNamesAreDigestsOfTheirPaths)
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
        EXPECT_EQ(sha1Hex(path), id) << path;
    }
}
