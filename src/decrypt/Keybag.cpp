// Keybag parsing and unlocking.
#include "Keybag.h"

#include "platform/ByteReader.h"
#include "platform/ByteView.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"

#include <string_view>

namespace decrypt {

namespace {

bool readU32(std::span<const std::uint8_t> value, std::uint32_t& out)
{
    return value.size() == 4 && platform::ByteView(value).u32be(0, out);
}

} // namespace

int parseKeybag(std::span<const std::uint8_t> bytes,
                Keybag& keybag,
                platform::Diagnostics* diagnostics)
{
    keybag = Keybag{};
    if (bytes.size() > kMaxKeybagBytes) {
        return platform::corruptAt(diagnostics, 0, "keybag larger than the limit");
    }
    platform::ByteReader reader(bytes);
    bool seenHeaderUuid = false;
    KeybagClass* current = nullptr;
    while (reader.remaining() >= 8) {
        std::string_view tag;
        std::uint32_t length = 0;
        std::span<const std::uint8_t> value;
        if (!reader.text(4, tag) || !reader.u32be(length) || !reader.bytes(length, value)) {
            return platform::corruptAt(diagnostics, 0, "keybag record runs past the end");
        }
        std::uint32_t number = 0;
        const bool isNumber = readU32(value, number);
        if (tag == "UUID") {
            if (!seenHeaderUuid) {
                seenHeaderUuid = true;
                continue;
            }
            if (keybag.classes.size() >= kMaxKeybagClasses) {
                return platform::corruptAt(diagnostics, 0, "keybag holds too many classes");
            }
            current = &keybag.classes.emplace_back();
            continue;
        }
        if (current != nullptr) {
            if (tag == "CLAS" && isNumber) {
                // The high bits carry flags; the class is the low nibble.
                current->protectionClass = number & 0xF;
            } else if (tag == "WRAP" && isNumber) {
                current->wrapFlags = number;
            } else if (tag == "KTYP" && isNumber) {
                current->keyType = number;
            } else if (tag == "WPKY") {
                current->wrappedKey.assign(value.begin(), value.end());
            }
            continue;
        }
        if (tag == "VERS" && isNumber) {
            keybag.version = number;
        } else if (tag == "TYPE" && isNumber) {
            keybag.type = number & 0x3FFFFFFF;
        } else if (tag == "SALT") {
            keybag.salt.assign(value.begin(), value.end());
        } else if (tag == "ITER" && isNumber) {
            keybag.iterations = number;
        } else if (tag == "DPSL") {
            keybag.dataProtectionSalt.assign(value.begin(), value.end());
        } else if (tag == "DPIC" && isNumber) {
            keybag.dataProtectionIterations = number;
        }
    }
    if (keybag.salt.empty() || keybag.iterations == 0 || keybag.iterations > kMaxIterations) {
        return platform::corruptAt(diagnostics, 0, "keybag lacks a salt or a usable ITER");
    }
    if (keybag.dataProtectionIterations.has_value() &&
        (*keybag.dataProtectionIterations == 0 ||
         *keybag.dataProtectionIterations > kMaxIterations)) {
        return platform::corruptAt(diagnostics, 0, "keybag DPIC out of range");
    }
    return platform::kStatusOk;
}

int deriveKeyEncryptionKey(const Keybag& keybag, std::string_view password, Key256& kek)
{
    const std::span<const std::uint8_t> passwordBytes(
        reinterpret_cast<const std::uint8_t*>(password.data()), password.size());
    if (!keybag.usesDoubleDerivation()) {
        return pbkdf2Sha1(passwordBytes, keybag.salt, keybag.iterations, kek);
    }
    Key256 first;
    const int status = pbkdf2Sha256(
        passwordBytes, keybag.dataProtectionSalt, *keybag.dataProtectionIterations, first);
    if (status != platform::kStatusOk) {
        return status;
    }
    return pbkdf2Sha1(first.bytes(), keybag.salt, keybag.iterations, kek);
}

int unlockClassKeys(const Keybag& keybag, const Key256& kek, ClassKeys& keys)
{
    keys.clear();
    for (const auto& record : keybag.classes) {
        // Only AES class keys wrapped with the password key can be opened here; asymmetric
        // classes do not occur in backup keybags.
        if ((record.wrapFlags & 2) == 0 || record.keyType != 0 || record.wrappedKey.size() != 40) {
            continue;
        }
        Key256 key;
        const int status = unwrapKey(kek, record.wrappedKey, key);
        if (status == platform::kStatusCorrupt) {
            keys.clear();
            return platform::kStatusWrongPassword;
        }
        if (status != platform::kStatusOk) {
            keys.clear();
            return status;
        }
        keys[record.protectionClass] = key;
    }
    return keys.empty() ? platform::kStatusCorrupt : platform::kStatusOk;
}

} // namespace decrypt
