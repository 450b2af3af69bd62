// Decoding of seeds kept as hex dump text.
#include "HexSeed.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace fuzzseeds {

namespace {

std::optional<unsigned> hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return std::nullopt;
}

// Appends the bytes of one line's hex area (up to two spaces in a row or the end of the line).
bool appendHexArea(std::string_view area, std::string& bytes)
{
    std::size_t at = 0;
    while (at < area.size() && !area.substr(at).starts_with("  ")) {
        if (area[at] == ' ') {
            ++at;
            continue;
        }
        const auto high = hexDigit(area[at]);
        const auto low = at + 1 < area.size() ? hexDigit(area[at + 1]) : std::nullopt;
        if (!high || !low) {
            return false;
        }
        bytes += static_cast<char>((*high << 4) | *low);
        at += 2;
    }
    return true;
}

bool decodeLine(std::string_view line, std::string& bytes)
{
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon > 16) {
        return false;
    }
    std::uint64_t offset = 0;
    for (const char c : line.substr(0, colon)) {
        const auto digit = hexDigit(c);
        if (!digit) {
            return false;
        }
        offset = offset << 4 | *digit;
    }
    // Inputs are small; an offset beyond this is a typing error, not a seed.
    constexpr std::uint64_t kMaxSeedBytes = 64ull << 20;
    if (offset < bytes.size() || offset > kMaxSeedBytes) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(offset), '\0');
    std::string_view area = line.substr(colon + 1);
    if (area.starts_with(' ')) {
        area.remove_prefix(1);
    }
    return appendHexArea(area, bytes);
}

} // namespace

int decodeHexSeed(std::string_view text, std::string& bytes, std::string& error)
{
    bytes.clear();
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with('#') || line == "*") {
            continue;
        }
        if (!decodeLine(line, bytes)) {
            error = "line " + std::to_string(number) + ": not an offset and hex bytes, or the " +
                    "offset goes backwards";
            return 1;
        }
    }
    return 0;
}

} // namespace fuzzseeds
