// The cryptographic steps of backup decryption, all through OpenSSL: the password-to-key
// derivation and RFC 3394 key unwrapping.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace decrypt {

// A 256-bit AES key, wiped from memory when it goes.
class Key256
{
public:
    Key256() = default;
    ~Key256();
    Key256(const Key256& other) = default;
    Key256& operator=(const Key256& other) = default;

    std::array<std::uint8_t, 32>& bytes() { return m_bytes; }

    const std::array<std::uint8_t, 32>& bytes() const { return m_bytes; }

    const std::uint8_t* data() const { return m_bytes.data(); }

private:
    std::array<std::uint8_t, 32> m_bytes{};
};

// Iteration counts above this are refused as a damaged keybag: a real device uses 10,000
// (SHA-1) and 10,000,000 (SHA-256), and the OpenSSL call takes an int.
inline constexpr std::uint32_t kMaxIterations = 100'000'000;

// PBKDF2-HMAC-SHA256 of `password` (its UTF-8 bytes, no terminator) with `salt` and
// `iterations` into 32 bytes. Returns 0; 87 for 0 iterations or more than kMaxIterations;
// -1 when OpenSSL fails.
[[nodiscard]] int pbkdf2Sha256(std::span<const std::uint8_t> password,
                               std::span<const std::uint8_t> salt,
                               std::uint32_t iterations,
                               Key256& out);

// PBKDF2-HMAC-SHA1, otherwise as pbkdf2Sha256.
[[nodiscard]] int pbkdf2Sha1(std::span<const std::uint8_t> password,
                             std::span<const std::uint8_t> salt,
                             std::uint32_t iterations,
                             Key256& out);

// RFC 3394 unwrap of a 40-byte `wrapped` key with the AES-256 key `kek` (default IV
// A6A6A6A6A6A6A6A6). Returns 0; 87 when `wrapped` is not 40 bytes; -1001 (corrupt) when the
// integrity check fails, which is how a wrong key shows.
[[nodiscard]] int unwrapKey(const Key256& kek, std::span<const std::uint8_t> wrapped, Key256& out);

// RFC 3394 unwrap of any whole number (2 or more) of 64-bit blocks, into `out` of
// wrapped.size() - 8 bytes. Returns 0; 87 for a bad length; -1001 when the check fails.
[[nodiscard]] int unwrapKeyBytes(std::span<const std::uint8_t> kek,
                                 std::span<const std::uint8_t> wrapped,
                                 std::span<std::uint8_t> out);

} // namespace decrypt
