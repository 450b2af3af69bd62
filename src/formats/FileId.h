// The names of a backup's content files: the SHA-1 of the file's domain, a hyphen and its path,
// as 40 lowercase hexadecimal digits.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// The SHA-1 digest of `bytes` as 40 lowercase hexadecimal digits; empty only when OpenSSL
// cannot provide the algorithm.
std::string sha1Hex(std::string_view bytes);

// The content file name of the file `path` of `domain`: sha1Hex(domain + "-" + path).
std::string fileId(std::string_view domain, std::string_view path);

// True when `fileId` is 40 hexadecimal digits (either case), so it is safe as a file name.
bool isFileId(std::string_view fileId);

} // namespace formats
