// Key unwrapping against RFC 3394's test vectors, PBKDF2 against RFC 6070 and RFC 7914
// answers.
#include "decrypt/Crypto.h"

#include "TestHelpers.h"
#include "platform/Status.h"

#include <gtest/gtest.h>

using decrypttest::fromHex;

namespace {

std::string toHex(std::span<const std::uint8_t> bytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (const auto b : bytes) {
        out.push_back(kHex[b >> 4]);
        out.push_back(kHex[b & 0xF]);
    }
    return out;
}

struct UnwrapVector
{
    const char* name;
    const char* kek;
    const char* wrapped;
    const char* key;
};

const UnwrapVector kRfc3394[] = {
    {"4.1 128-bit data, 128-bit KEK",
     "000102030405060708090a0b0c0d0e0f",
     "1fa68b0a8112b447aef34bd8fb5a7b829d3e862371d2cfe5",
     "00112233445566778899aabbccddeeff"},
    {"4.2 128-bit data, 192-bit KEK",
     "000102030405060708090a0b0c0d0e0f1011121314151617",
     "96778b25ae6ca435f92b5b97c050aed2468ab8a17ad84e5d",
     "00112233445566778899aabbccddeeff"},
    {"4.3 128-bit data, 256-bit KEK",
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "64e8c3f9ce0f5ba263e9777905818a2a93c8191e7d6e8ae7",
     "00112233445566778899aabbccddeeff"},
    {"4.4 192-bit data, 192-bit KEK",
     "000102030405060708090a0b0c0d0e0f1011121314151617",
     "031d33264e15d33268f24ec260743edce1c6c7ddee725a936ba814915c6762d2",
     "00112233445566778899aabbccddeeff0001020304050607"},
    {"4.5 192-bit data, 256-bit KEK",
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "a8f9bc1612c68b3ff6e6f4fbe30e71e4769c8b80a32cb8958cd5d17d6b254da1",
     "00112233445566778899aabbccddeeff0001020304050607"},
    {"4.6 256-bit data, 256-bit KEK",
     "000102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f",
     "28c9f404c4b810f4cbccb35cfb87f8263f5786e2d80ed326cbc7f0e71a99f43bfb988b9b7a02dd21",
     "00112233445566778899aabbccddeeff000102030405060708090a0b0c0d0e0f"},
};

} // namespace

TEST(CryptoTest, UnwrapGivesTheRfc3394Answers)
{
    for (const auto& v : kRfc3394) {
        SCOPED_TRACE(v.name);
        const auto kek = fromHex(v.kek);
        const auto wrapped = fromHex(v.wrapped);
        std::vector<std::uint8_t> out(wrapped.size() - 8);
        ASSERT_EQ(decrypt::unwrapKeyBytes(kek, wrapped, out), 0);
        EXPECT_EQ(toHex(out), v.key);

        // Any changed bit fails the integrity check instead of giving another key.
        for (const std::size_t at : {std::size_t{0}, wrapped.size() / 2, wrapped.size() - 1}) {
            auto damaged = wrapped;
            damaged[at] ^= 0x01;
            EXPECT_EQ(decrypt::unwrapKeyBytes(kek, damaged, out), platform::kStatusCorrupt);
        }
    }
}

TEST(CryptoTest, UnwrapRefusesBadLengths)
{
    const auto kek = fromHex(kRfc3394[5].kek);
    std::vector<std::uint8_t> out(32);
    for (const std::size_t length :
         {std::size_t{0}, std::size_t{16}, std::size_t{39}, std::size_t{41}}) {
        const std::vector<std::uint8_t> wrapped(length, 0xA6);
        std::vector<std::uint8_t> sized(length > 8 ? length - 8 : 0);
        EXPECT_EQ(decrypt::unwrapKeyBytes(kek, wrapped, sized), platform::kStatusInvalid);
    }
    const std::vector<std::uint8_t> badKek(20, 0);
    EXPECT_EQ(decrypt::unwrapKeyBytes(badKek, fromHex(kRfc3394[5].wrapped), out),
              platform::kStatusInvalid);

    decrypt::Key256 kek256;
    decrypt::Key256 key;
    const std::vector<std::uint8_t> short24(24, 0);
    EXPECT_EQ(decrypt::unwrapKey(kek256, short24, key), platform::kStatusInvalid);
}

TEST(CryptoTest, Pbkdf2GivesPublishedAnswers)
{
    const std::string password = "password";
    const std::string salt = "salt";
    const std::span<const std::uint8_t> p(reinterpret_cast<const std::uint8_t*>(password.data()),
                                          password.size());
    const std::span<const std::uint8_t> s(reinterpret_cast<const std::uint8_t*>(salt.data()),
                                          salt.size());
    decrypt::Key256 key;
    // RFC 6070: the first 20 bytes of a longer output are the 20-byte answer.
    ASSERT_EQ(decrypt::pbkdf2Sha1(p, s, 2, key), 0);
    EXPECT_EQ(toHex(key.bytes()).substr(0, 40), "ea6c014dc72d6f8ccd1ed92ace1d41f0d8de8957");
    ASSERT_EQ(decrypt::pbkdf2Sha256(p, s, 1, key), 0);
    EXPECT_EQ(toHex(key.bytes()),
              "120fb6cffcf8b32c43e7225256c4f837a86548c92ccc35480805987cb70be17b");

    EXPECT_EQ(decrypt::pbkdf2Sha1(p, s, 0, key), platform::kStatusInvalid);
    EXPECT_EQ(decrypt::pbkdf2Sha256(p, s, decrypt::kMaxIterations + 1, key),
              platform::kStatusInvalid);
    // An empty password is allowed.
    EXPECT_EQ(decrypt::pbkdf2Sha1({}, s, 1, key), 0);
}
