// SHA-1 through OpenSSL, and the content file names built on it. The digest algorithm is
// fetched once and each thread keeps one digest context: fetching on every call (as the one-shot
// function does) costs three times the hashing of a short manifest key.
#include "FileId.h"

#include <memory>
#include <openssl/evp.h>

namespace formats {

namespace {

struct DigestFree
{
    void operator()(EVP_MD* md) const { EVP_MD_free(md); }
};

struct ContextFree
{
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

const EVP_MD* sha1Algorithm()
{
    static const std::unique_ptr<EVP_MD, DigestFree> algorithm(
        EVP_MD_fetch(nullptr, "SHA1", nullptr));
    return algorithm.get();
}

} // namespace

std::string sha1Hex(std::string_view bytes)
{
    thread_local const std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    const EVP_MD* algorithm = sha1Algorithm();
    if (algorithm == nullptr || context == nullptr ||
        EVP_DigestInit_ex(context.get(), algorithm, nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        // Only a broken OpenSSL installation gets here; an empty name matches no file.
        return {};
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(2 * static_cast<std::size_t>(length), '0');
    for (unsigned int i = 0; i < length; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    return hex;
}

std::string fileId(std::string_view domain, std::string_view path)
{
    std::string key;
    key.reserve(domain.size() + 1 + path.size());
    key.append(domain).append(1, '-').append(path);
    return sha1Hex(key);
}

bool isFileId(std::string_view fileId)
{
    if (fileId.size() != 40) {
        return false;
    }
    for (const char c : fileId) {
        const bool digit = c >= '0' && c <= '9';
        const bool lower = c >= 'a' && c <= 'f';
        const bool upper = c >= 'A' && c <= 'F';
        if (!digit && !lower && !upper) {
            return false;
        }
    }
    return true;
}

} // namespace formats
