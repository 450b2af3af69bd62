// UTF-8 validation and the conversions between wide text, narrow text and paths.
#include "Text.h"

#include <algorithm>

namespace platform {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

} // namespace

std::size_t utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    if (byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string utf8ToWide(const char* bytes, std::size_t length)
{
    std::string_view input(bytes, length);
    input = input.substr(0, std::min(input.find('\0'), input.size()));
    std::string out;
    out.reserve(input.size());
    for (std::size_t at = 0; at < input.size();) {
        const std::size_t n = utf8SequenceLength(input, at);
        if (n == 0) {
            out += kReplacement;
            ++at;
        } else {
            out.append(input, at, n);
            at += n;
        }
    }
    return out;
}

std::string percentEncodePath(std::string_view path)
{
    constexpr std::string_view kDigits = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '.' ||
                           c == '_' || c == '~';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kDigits[byte >> 4];
            out += kDigits[byte & 0x0F];
        }
    }
    return out;
}

bool isValidUtf8(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = utf8SequenceLength(text, at);
        if (n == 0) {
            return false;
        }
        at += n;
    }
    return true;
}

std::string wideToNarrow(std::string_view wide)
{
    return isValidUtf8(wide) ? std::string(wide) : std::string();
}

std::string narrowToWide(std::string_view narrow)
{
    return isValidUtf8(narrow) ? std::string(narrow) : std::string();
}

std::string pathToUtf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path pathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string asciiLower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

int compareAsciiNoCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int diff = lower(a[i]) - lower(b[i]);
        if (diff != 0) {
            return diff;
        }
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

} // namespace platform
