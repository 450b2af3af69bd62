// Text conversion. Text inside the system is Unicode held as UTF-8 in std::string ("wide"
// text); the platform's narrow encoding is UTF-8 on Linux and macOS, so the narrow and wide
// forms coincide there, but the helpers keep their names so that callers state which crossing
// they make.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// Converts exactly `length` bytes of UTF-8 at `bytes` (not necessarily terminated) into wide
// text. Invalid sequences become U+FFFD; the result ends at the first NUL character.
std::string utf8ToWide(const char* bytes, std::size_t length);

// `path` with every byte but ASCII letters, digits, "-._~" and "/" written as %XX: a path as it
// may stand in a URI or a link, where "#", "%", "?" and blanks would otherwise end or change it.
std::string percentEncodePath(std::string_view path);

// Converts wide text into the platform's narrow encoding; empty when it cannot be converted.
std::string wideToNarrow(std::string_view wide);

// Converts narrow text of the platform's encoding into wide text; empty on failure.
std::string narrowToWide(std::string_view narrow);

// Length of the well-formed UTF-8 sequence at `text[at]`, or 0 when it is malformed or cut
// off by the end of `text`.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at);

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF).
bool isValidUtf8(std::string_view text);

// The only crossings between wide text and file-system paths.
std::string pathToUtf8(const std::filesystem::path& path);
std::filesystem::path pathFromUtf8(std::string_view utf8);

// ASCII-only lower-casing and case-insensitive comparison (<0, 0, >0 like strcmp).
std::string asciiLower(std::string_view text);
int compareAsciiNoCase(std::string_view a, std::string_view b);

} // namespace platform
