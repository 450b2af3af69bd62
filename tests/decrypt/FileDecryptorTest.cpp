// Streaming file decryption: sizes around block and chunk edges, padding rules and errors, a
// truncated and a missing input.
#include "decrypt/FileDecryptor.h"

#include "TestHelpers.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

#include <gtest/gtest.h>

using decrypttest::encryptCbc;
using testsupport::readFileBytes;
using testsupport::TempDir;
using testsupport::writeFileBytes;

namespace {

const std::vector<std::uint8_t> kKey(32, 0x42);

decrypt::Key256 key()
{
    decrypt::Key256 out;
    std::copy(kKey.begin(), kKey.end(), out.bytes().begin());
    return out;
}

std::string pattern(std::size_t size)
{
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        out[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
    }
    return out;
}

} // namespace

TEST(FileDecryptorTest, RoundTripsEverySizeAroundBlockAndChunkEdges)
{
    TempDir dir;
    const std::size_t chunk = decrypt::kDecryptChunkBytes;
    for (const std::size_t size : {std::size_t{0},
                                   std::size_t{1},
                                   std::size_t{15},
                                   std::size_t{16},
                                   std::size_t{17},
                                   chunk - 16,
                                   chunk - 1,
                                   chunk,
                                   chunk + 1,
                                   2 * chunk + 33}) {
        SCOPED_TRACE(size);
        const std::string plain = pattern(size);
        writeFileBytes(dir.file("in"), encryptCbc(kKey, plain, true));
        decrypt::DecryptOutcome outcome;
        ASSERT_EQ(decrypt::decryptFile(
                      dir.file("in"), dir.file("out"), key(), decrypt::PaddingRule::Pkcs7, outcome),
                  0);
        EXPECT_EQ(readFileBytes(dir.file("out")), plain);
        EXPECT_EQ(outcome.bytesWritten, size);
        EXPECT_EQ(outcome.paddingRemoved, true);
    }
    // An empty ciphertext is an empty file.
    writeFileBytes(dir.file("in"), "");
    decrypt::DecryptOutcome outcome;
    ASSERT_EQ(decrypt::decryptFile(
                  dir.file("in"), dir.file("out"), key(), decrypt::PaddingRule::Pkcs7, outcome),
              0);
    EXPECT_EQ(readFileBytes(dir.file("out")), "");

    struct stat info
    {};

    ASSERT_EQ(::stat(dir.file("out").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST(FileDecryptorTest, InvalidPaddingKeepsEveryDecryptedByte)
{
    TempDir dir;

    struct Case
    {
        const char* name;
        std::string plain; // 32 bytes, encrypted without padding: its end is what is checked
    };

    const std::vector<Case> cases = {
        {"last byte 0", pattern(31) + std::string(1, '\0')},
        {"last byte 17", pattern(31) + std::string(1, '\x11')},
        {"bytes before the last disagree", pattern(28) + std::string("\x04\x04\x03\x04", 4)},
        {"last byte 16, one of the sixteen differs", pattern(17) + std::string(15, '\x10')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string& plain = c.plain;
        ASSERT_EQ(plain.size(), 32u);
        writeFileBytes(dir.file("in"), encryptCbc(kKey, plain, false));
        decrypt::DecryptOutcome outcome;
        EXPECT_EQ(decrypt::decryptFile(
                      dir.file("in"), dir.file("out"), key(), decrypt::PaddingRule::Pkcs7, outcome),
                  platform::kStatusCorrupt);
        EXPECT_EQ(readFileBytes(dir.file("out")), plain);
        EXPECT_FALSE(outcome.paddingRemoved);
    }
}

TEST(FileDecryptorTest, SqliteRuleDropsOnlyAWholePaddingBlockAfterThePages)
{
    TempDir dir;
    std::string pages("SQLite format 3\0", 16);
    pages += pattern(4096 - 16);

    struct Case
    {
        const char* name;
        std::string cipher;
        std::string expected;
    };

    const std::vector<Case> cases = {
        {"padded", encryptCbc(kKey, pages, true), pages},
        {"unpadded", encryptCbc(kKey, pages, false), pages},
        // Ends in a byte that PKCS#7 would read as padding; a page-aligned file keeps it.
        {"page ending in 0x01",
         encryptCbc(kKey, pages.substr(0, 4095) + "\x01", false),
         pages.substr(0, 4095) + "\x01"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileBytes(dir.file("in"), c.cipher);
        decrypt::DecryptOutcome outcome;
        EXPECT_EQ(decrypt::decryptFile(dir.file("in"),
                                       dir.file("out"),
                                       key(),
                                       decrypt::PaddingRule::SqliteDatabase,
                                       outcome),
                  0);
        EXPECT_EQ(readFileBytes(dir.file("out")), c.expected);
    }
}

TEST(FileDecryptorTest, TruncatedAndMissingInputs)
{
    TempDir dir;
    const std::string plain = pattern(100);
    const std::string cipher = encryptCbc(kKey, plain, true); // 112 bytes
    for (const std::size_t cut : {std::size_t{1}, std::size_t{5}, std::size_t{15}}) {
        SCOPED_TRACE(cut);
        writeFileBytes(dir.file("in"), cipher.substr(0, cipher.size() - cut));
        decrypt::DecryptOutcome outcome;
        EXPECT_EQ(decrypt::decryptFile(
                      dir.file("in"), dir.file("out"), key(), decrypt::PaddingRule::Pkcs7, outcome),
                  platform::kStatusTruncated);
        // The six whole blocks that remain are written decrypted, without any cut.
        EXPECT_EQ(readFileBytes(dir.file("out")), plain.substr(0, 96));
    }
    writeFileBytes(dir.file("in"), cipher.substr(0, 7));
    decrypt::DecryptOutcome outcome;
    EXPECT_EQ(decrypt::decryptFile(
                  dir.file("in"), dir.file("short"), key(), decrypt::PaddingRule::Pkcs7, outcome),
              platform::kStatusTruncated);
    EXPECT_EQ(readFileBytes(dir.file("short")), "");

    EXPECT_EQ(
        decrypt::decryptFile(
            dir.file("absent"), dir.file("never"), key(), decrypt::PaddingRule::Pkcs7, outcome),
        platform::statusFromErrno(ENOENT));
    EXPECT_FALSE(std::filesystem::exists(dir.file("never")));

    std::uint64_t copied = 0;
    EXPECT_EQ(decrypt::copyFile(dir.file("absent"), dir.file("never"), copied),
              platform::statusFromErrno(ENOENT));
    writeFileBytes(dir.file("plain"), plain);
    ASSERT_EQ(decrypt::copyFile(dir.file("plain"), dir.file("copy"), copied), 0);
    EXPECT_EQ(copied, plain.size());
    EXPECT_EQ(readFileBytes(dir.file("copy")), plain);
}
