// SHA-1 digests as the backup uses them to name content files.
#pragma once

#include <string>
#include <string_view>

namespace catalogue {

// The SHA-1 digest of `bytes` as 40 lowercase hexadecimal digits; empty only when OpenSSL
// cannot provide the algorithm.
std::string sha1Hex(std::string_view bytes);

} // namespace catalogue
