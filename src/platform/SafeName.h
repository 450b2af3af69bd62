// The one rule that turns a text taken from a backup (a contact name, a chat label, an app
// name, the file name of a media file or attachment) into a single file or folder name that is
// safe on every file system the exports may land on.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// Longest name safeName returns, in bytes.
inline constexpr std::size_t kMaxSafeNameBytes = 200;

// The name used when nothing of a text is left.
inline constexpr std::string_view kUnknownName = "Unknown";

// `text` made into one path component: invalid UTF-8 repaired; control characters, path
// separators and < > : " | ? * replaced by "_"; a reserved device name (CON, PRN, AUX, NUL,
// COM1–9, LPT1–9, with or without an extension, any case) given a leading "_"; trailing dots
// and spaces removed (so "." and ".." vanish); cut to at most 200 bytes at a UTF-8 boundary,
// keeping a short extension; "Unknown" when nothing is left.
std::string safeName(std::string_view text);

} // namespace platform
