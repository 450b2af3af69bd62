// Fuzz seeds kept as text: the hex dump that `xxd -a` writes. Each line is a hexadecimal offset,
// a colon and the bytes at that offset in hex (groups split by one space), optionally followed
// by two spaces and anything (the dump's character column). A line "*" and any gap between
// offsets stand for zero bytes; the last line's end is the end of the input. Empty lines and
// lines starting with '#' are ignored.
#pragma once

#include <string>
#include <string_view>

namespace fuzzseeds {

// Decodes `text` into `bytes`. Returns 0; 1 when a line is not of the form above or an offset
// goes backwards (`bytes` then holds what came before; `error` says which line and why).
[[nodiscard]] int decodeHexSeed(std::string_view text, std::string& bytes, std::string& error);

} // namespace fuzzseeds
