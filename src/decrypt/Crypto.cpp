// OpenSSL calls behind the key derivation and key unwrapping.
#include "Crypto.h"

#include "platform/Status.h"

#include <memory>
#include <openssl/crypto.h>
#include <openssl/evp.h>

namespace decrypt {

namespace {

struct CipherContextFree
{
    void operator()(EVP_CIPHER_CTX* context) const { EVP_CIPHER_CTX_free(context); }
};

using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextFree>;

int pbkdf2(std::span<const std::uint8_t> password,
           std::span<const std::uint8_t> salt,
           std::uint32_t iterations,
           const EVP_MD* digest,
           Key256& out)
{
    if (iterations == 0 || iterations > kMaxIterations) {
        return platform::kStatusInvalid;
    }
    // OpenSSL wants a non-null pointer even for an empty password or salt.
    static const char kEmpty = 0;
    const char* passwordBytes =
        password.empty() ? &kEmpty : reinterpret_cast<const char*>(password.data());
    const unsigned char* saltBytes =
        salt.empty() ? reinterpret_cast<const unsigned char*>(&kEmpty) : salt.data();
    if (PKCS5_PBKDF2_HMAC(passwordBytes,
                          static_cast<int>(password.size()),
                          saltBytes,
                          static_cast<int>(salt.size()),
                          static_cast<int>(iterations),
                          digest,
                          static_cast<int>(out.bytes().size()),
                          out.bytes().data()) != 1) {
        return platform::kStatusFailed;
    }
    return platform::kStatusOk;
}

} // namespace

Key256::~Key256()
{
    OPENSSL_cleanse(m_bytes.data(), m_bytes.size());
}

int pbkdf2Sha256(std::span<const std::uint8_t> password,
                 std::span<const std::uint8_t> salt,
                 std::uint32_t iterations,
                 Key256& out)
{
    return pbkdf2(password, salt, iterations, EVP_sha256(), out);
}

int pbkdf2Sha1(std::span<const std::uint8_t> password,
               std::span<const std::uint8_t> salt,
               std::uint32_t iterations,
               Key256& out)
{
    return pbkdf2(password, salt, iterations, EVP_sha1(), out);
}

int unwrapKeyBytes(std::span<const std::uint8_t> kek,
                   std::span<const std::uint8_t> wrapped,
                   std::span<std::uint8_t> out)
{
    if (wrapped.size() < 24 || wrapped.size() % 8 != 0 || out.size() != wrapped.size() - 8 ||
        wrapped.size() > 4096) {
        return platform::kStatusInvalid;
    }
    const EVP_CIPHER* cipher = nullptr;
    switch (kek.size()) {
    case 16:
        cipher = EVP_aes_128_wrap();
        break;
    case 24:
        cipher = EVP_aes_192_wrap();
        break;
    case 32:
        cipher = EVP_aes_256_wrap();
        break;
    default:
        return platform::kStatusInvalid;
    }
    CipherContext context(EVP_CIPHER_CTX_new());
    if (!context) {
        return platform::kStatusFailed;
    }
    EVP_CIPHER_CTX_set_flags(context.get(), EVP_CIPHER_CTX_FLAG_WRAP_ALLOW);
    if (EVP_DecryptInit_ex(context.get(), cipher, nullptr, kek.data(), nullptr) != 1) {
        return platform::kStatusFailed;
    }
    int written = 0;
    if (EVP_DecryptUpdate(context.get(),
                          out.data(),
                          &written,
                          wrapped.data(),
                          static_cast<int>(wrapped.size())) != 1 ||
        written != static_cast<int>(out.size())) {
        OPENSSL_cleanse(out.data(), out.size());
        return platform::kStatusCorrupt;
    }
    return platform::kStatusOk;
}

int unwrapKey(const Key256& kek, std::span<const std::uint8_t> wrapped, Key256& out)
{
    if (wrapped.size() != 40) {
        return platform::kStatusInvalid;
    }
    return unwrapKeyBytes(kek.bytes(), wrapped, out.bytes());
}

} // namespace decrypt
