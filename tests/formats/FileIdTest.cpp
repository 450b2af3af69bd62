// SHA-1 digests against the standard test vectors, content file names and their check.
#include "formats/FileId.h"

#include <gtest/gtest.h>

using namespace formats;

TEST(FileIdTest, Sha1StandardVectors)
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

TEST(FileIdTest, FileIdsAndTheirCheck)
{
    EXPECT_EQ(fileId("HomeDomain", "Library/SMS/sms.db"),
              "3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    EXPECT_TRUE(isFileId("3d0d7e5fb2ce288813306e4d4636395e047a3d28"));
    EXPECT_TRUE(isFileId("3D0D7E5FB2CE288813306E4D4636395E047A3D28"));
    for (const char* bad : {"",
                            "3d0d7e5fb2ce288813306e4d4636395e047a3d2",
                            "../../../../../../../../../../etc/passwd.",
                            "3d0d7e5fb2ce288813306e4d4636395e047a3d2g"}) {
        EXPECT_FALSE(isFileId(bad)) << bad;
    }
}
