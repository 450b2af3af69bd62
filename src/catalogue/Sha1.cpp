// SHA-1 through OpenSSL's one-shot digest.
#include "Sha1.h"

#include <openssl/sha.h>

namespace catalogue {

std::string sha1Hex(std::string_view bytes)
{
    unsigned char digest[SHA_DIGEST_LENGTH];
    ::SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex(2 * SHA_DIGEST_LENGTH, '0');
    for (int i = 0; i < SHA_DIGEST_LENGTH; ++i) {
        hex[2 * i] = kDigits[digest[i] >> 4];
        hex[2 * i + 1] = kDigits[digest[i] & 0x0F];
    }
    return hex;
}

} // namespace catalogue
