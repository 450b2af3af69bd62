// Keybag parsing (good and damaged), the two key derivations and the wrong-password check.
#include "decrypt/Keybag.h"

#include "platform/Diagnostics.h"
#include "platform/Status.h"
#include "support/ByteBuilder.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

void tlv(Bytes& out, const char* tag, const Bytes& value)
{
    out.insert(out.end(), tag, tag + 4);
    const auto length = testsupport::ByteBuilder().u32be(static_cast<std::uint32_t>(value.size()));
    out.insert(out.end(), length.data().begin(), length.data().end());
    out.insert(out.end(), value.begin(), value.end());
}

void tlv(Bytes& out, const char* tag, std::uint32_t value)
{
    tlv(out, tag, testsupport::ByteBuilder().u32be(value).take());
}

Bytes wrap(const decrypt::Key256& kek, const Bytes& key)
{
    EVP_CIPHER_CTX* context = EVP_CIPHER_CTX_new();
    EVP_CIPHER_CTX_set_flags(context, EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    EVP_EncryptInit_ex(context, EVP_aes_256_wrap(), nullptr, kek.data(), nullptr);
    Bytes out(key.size() + 8);
    int written = 0;
    EVP_EncryptUpdate(context, out.data(), &written, key.data(), static_cast<int>(key.size()));
    EVP_CIPHER_CTX_free(context);
    return out;
}

struct KeybagShape
{
    bool dataProtection = true;
    std::uint32_t iterations = 3;
    std::uint32_t classes = 4;
    std::uint32_t wrapFlags = 3;
    std::string password = "0000";
};

// A keybag in the device's layout whose class c holds the key of 32 bytes of value c.
Bytes buildKeybag(const KeybagShape& shape)
{
    decrypt::Keybag plan;
    plan.salt = Bytes(20, 0x5A);
    plan.iterations = shape.iterations;
    if (shape.dataProtection) {
        plan.dataProtectionSalt = Bytes(20, 0xA5);
        plan.dataProtectionIterations = shape.iterations;
    }
    decrypt::Key256 kek;
    EXPECT_EQ(decrypt::deriveKeyEncryptionKey(plan, shape.password, kek), 0);

    Bytes out;
    tlv(out, "VERS", 4u);
    tlv(out, "TYPE", 0x40000001u);
    tlv(out, "UUID", Bytes(16, 1));
    tlv(out, "HMCK", Bytes(40, 2));
    tlv(out, "WRAP", 0u);
    tlv(out, "SALT", plan.salt);
    tlv(out, "ITER", shape.iterations);
    if (shape.dataProtection) {
        tlv(out, "DPWT", 1u);
        tlv(out, "DPIC", shape.iterations);
        tlv(out, "DPSL", plan.dataProtectionSalt);
    }
    for (std::uint32_t c = 1; c <= shape.classes; ++c) {
        tlv(out, "UUID", Bytes(16, static_cast<std::uint8_t>(c)));
        tlv(out, "CLAS", c);
        tlv(out, "WRAP", shape.wrapFlags);
        tlv(out, "KTYP", 0u);
        tlv(out, "WPKY", wrap(kek, Bytes(32, static_cast<std::uint8_t>(c))));
    }
    return out;
}

} // namespace

TEST(KeybagTest, ParsesHeaderAndClassRecordsOfBothEras)
{
    for (const bool dataProtection : {true, false}) {
        SCOPED_TRACE(dataProtection ? "iOS 10.2 and later" : "before iOS 10.2");
        KeybagShape shape;
        shape.dataProtection = dataProtection;
        decrypt::Keybag keybag;
        ASSERT_EQ(decrypt::parseKeybag(buildKeybag(shape), keybag), 0);
        EXPECT_EQ(keybag.version, 4u);
        EXPECT_EQ(keybag.type, 1u); // flag bits masked off
        EXPECT_EQ(keybag.salt, Bytes(20, 0x5A));
        EXPECT_EQ(keybag.iterations, 3u);
        EXPECT_EQ(keybag.usesDoubleDerivation(), dataProtection);
        ASSERT_EQ(keybag.classes.size(), 4u);
        // The header WRAP (0) must not leak into the first class record, nor class WRAPs
        // into the header.
        for (std::uint32_t c = 0; c < 4; ++c) {
            EXPECT_EQ(keybag.classes[c].protectionClass, c + 1);
            EXPECT_EQ(keybag.classes[c].wrapFlags, 3u);
            EXPECT_EQ(keybag.classes[c].wrappedKey.size(), 40u);
        }
    }
}

TEST(KeybagTest, DamagedKeybagsAreRefused)
{
    const Bytes good = buildKeybag({});

    struct Case
    {
        const char* name;
        Bytes bytes;
    };

    Bytes lengthPastEnd = good;
    lengthPastEnd[6] = 0xFF; // VERS claims 65,535 bytes
    Bytes noSalt;
    tlv(noSalt, "ITER", 10u);
    Bytes zeroIterations;
    tlv(zeroIterations, "SALT", Bytes(20, 1));
    tlv(zeroIterations, "ITER", 0u);
    const Bytes hugeIterations = testsupport::ByteBuilder(zeroIterations)
                                     .patchU32be(zeroIterations.size() - 4, 0xFFFFFFFFu)
                                     .take();
    Bytes zeroDpic;
    tlv(zeroDpic, "SALT", Bytes(20, 1));
    tlv(zeroDpic, "ITER", 10u);
    tlv(zeroDpic, "DPIC", 0u);
    Bytes manyClasses;
    tlv(manyClasses, "SALT", Bytes(20, 1));
    tlv(manyClasses, "ITER", 10u);
    for (int i = 0; i <= 100; ++i) {
        tlv(manyClasses, "UUID", Bytes(16, 0));
    }
    const std::vector<Case> cases = {
        {"empty", {}},
        {"record longer than the keybag", lengthPastEnd},
        {"no SALT", noSalt},
        {"ITER 0", zeroIterations},
        {"ITER beyond the cap", hugeIterations},
        {"DPIC 0", zeroDpic},
        {"too many classes", manyClasses},
        {"larger than the cap", Bytes(decrypt::kMaxKeybagBytes + 1, 0)},
    };
    // Every refusal says where it was found.
    for (const auto& c : cases) {
        decrypt::Keybag keybag;
        platform::Diagnostics diagnostics;
        EXPECT_EQ(decrypt::parseKeybag(c.bytes, keybag, &diagnostics), platform::kStatusCorrupt)
            << c.name;
        EXPECT_EQ(diagnostics.entries().size(), 1u) << c.name;
    }
    // Fewer than 8 trailing bytes end the keybag without harm.
    Bytes trailing = good;
    trailing.insert(trailing.end(), {'A', 'B', 'C'});
    decrypt::Keybag keybag;
    EXPECT_EQ(decrypt::parseKeybag(trailing, keybag), 0);
}

TEST(KeybagTest, RightPasswordUnlocksEveryClassAndWrongPasswordFailsAtOnce)
{
    for (const bool dataProtection : {true, false}) {
        SCOPED_TRACE(dataProtection ? "double derivation" : "single derivation");
        KeybagShape shape;
        shape.dataProtection = dataProtection;
        shape.password = "pass wörd";
        decrypt::Keybag keybag;
        ASSERT_EQ(decrypt::parseKeybag(buildKeybag(shape), keybag), 0);

        decrypt::Key256 kek;
        decrypt::ClassKeys keys;
        ASSERT_EQ(decrypt::deriveKeyEncryptionKey(keybag, "pass wörd", kek), 0);
        ASSERT_EQ(decrypt::unlockClassKeys(keybag, kek, keys), 0);
        ASSERT_EQ(keys.size(), 4u);
        for (const auto& [protectionClass, key] : keys) {
            EXPECT_EQ(Bytes(key.bytes().begin(), key.bytes().end()),
                      Bytes(32, static_cast<std::uint8_t>(protectionClass)));
        }

        for (const char* wrong : {"", "0000", "pass word", "pass wörd "}) {
            ASSERT_EQ(decrypt::deriveKeyEncryptionKey(keybag, wrong, kek), 0);
            EXPECT_EQ(decrypt::unlockClassKeys(keybag, kek, keys), platform::kStatusWrongPassword)
                << wrong;
            EXPECT_TRUE(keys.empty());
        }
    }
}

TEST(KeybagTest, KeybagWithoutPasswordWrappedClassesCannotBeUnlocked)
{
    KeybagShape shape;
    shape.wrapFlags = 1; // device key only
    decrypt::Keybag keybag;
    ASSERT_EQ(decrypt::parseKeybag(buildKeybag(shape), keybag), 0);
    decrypt::Key256 kek;
    decrypt::ClassKeys keys;
    ASSERT_EQ(decrypt::deriveKeyEncryptionKey(keybag, "0000", kek), 0);
    EXPECT_EQ(decrypt::unlockClassKeys(keybag, kek, keys), platform::kStatusCorrupt);
}
