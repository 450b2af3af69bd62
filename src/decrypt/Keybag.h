// The backup keybag (`BackupKeyBag` of Manifest.plist): a flat run of tag/length/value
// records, and the unlocking of its class keys with the backup password.
//
//   offset  size    field
//   0       4       tag, four ASCII letters
//   4       4       length of the value, u32 big-endian
//   8       length  value; a 4-byte value is an integer (u32 big-endian)
//
// The first UUID belongs to the header (with VERS, TYPE, WRAP, SALT, ITER and, from iOS 10.2,
// DPWT, DPIC, DPSL); each later UUID opens a class record (CLAS, WRAP, KTYP, WPKY).
#pragma once

#include "decrypt/Crypto.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace platform {
class Diagnostics;
} // namespace platform

namespace decrypt {

// One class record of a keybag.
struct KeybagClass
{
    std::uint32_t protectionClass = 0;
    std::uint32_t wrapFlags = 0;
    std::uint32_t keyType = 0;
    std::vector<std::uint8_t> wrappedKey;
};

// What a keybag holds.
struct Keybag
{
    std::uint32_t version = 0;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> salt;
    std::uint32_t iterations = 0;
    // The SHA-256 step of iOS 10.2 and later; both present or the step is not done.
    std::vector<std::uint8_t> dataProtectionSalt;
    std::optional<std::uint32_t> dataProtectionIterations;
    std::vector<KeybagClass> classes;

    // True when the password passes through PBKDF2-SHA256 before PBKDF2-SHA1.
    bool usesDoubleDerivation() const
    {
        return !dataProtectionSalt.empty() && dataProtectionIterations.has_value();
    }
};

// Limits on a keybag read from a backup.
inline constexpr std::size_t kMaxKeybagBytes = 1 << 20;
inline constexpr std::size_t kMaxKeybagClasses = 64;

// The unwrapped class keys, by protection class.
using ClassKeys = std::map<std::uint32_t, Key256>;

// Parses the keybag `bytes`. Returns 0; -1001 (corrupt) when a record runs past the end, the
// keybag is larger than kMaxKeybagBytes or holds more than kMaxKeybagClasses classes, or the
// header lacks SALT or ITER, or an iteration count is 0 or above kMaxIterations (recorded in
// `diagnostics` when it is given).
[[nodiscard]] int parseKeybag(std::span<const std::uint8_t> bytes,
                              Keybag& keybag,
                              platform::Diagnostics* diagnostics = nullptr);

// Derives the key-encryption key from `password`: PBKDF2-SHA256 (DPSL, DPIC) then
// PBKDF2-SHA1 (SALT, ITER) when the keybag has both DP values, PBKDF2-SHA1 alone otherwise.
// Returns 0, or the status of the failing derivation.
[[nodiscard]] int
deriveKeyEncryptionKey(const Keybag& keybag, std::string_view password, Key256& kek);

// Unwraps every class key wrapped with the password key (WRAP bit 2, a 40-byte WPKY, AES key
// type) with `kek`. Returns 0; -110 (wrong password) at the first integrity failure, so a
// wrong password is known after one unwrap; -1001 when no class key can be unwrapped.
[[nodiscard]] int unlockClassKeys(const Keybag& keybag, const Key256& kek, ClassKeys& keys);

} // namespace decrypt
