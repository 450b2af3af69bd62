// File names built from record texts: one function, so every writer applies the same rule.
#include "platform/SafeName.h"

#include "platform/Text.h"

#include <array>

namespace platform {

namespace {

// Extensions up to this many bytes (the dot included) survive the cut to the length limit.
constexpr std::size_t kMaxKeptExtension = 16;

bool isForbidden(unsigned char c)
{
    if (c < 0x20 || c == 0x7F) {
        return true;
    }
    switch (c) {
    case '<':
    case '>':
    case ':':
    case '"':
    case '/':
    case '\\':
    case '|':
    case '?':
    case '*':
        return true;
    default:
        return false;
    }
}

// True when `name`, up to its first dot, is a device name Windows reserves.
bool isReservedDeviceName(std::string_view name)
{
    const std::string stem = platform::asciiLower(name.substr(0, name.find('.')));
    static constexpr std::array<std::string_view, 4> kPlain = {"con", "prn", "aux", "nul"};
    for (const std::string_view reserved : kPlain) {
        if (stem == reserved) {
            return true;
        }
    }
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// The length of the longest prefix of `text` of at most `limit` bytes that ends on a UTF-8
// character boundary.
std::size_t utf8Prefix(std::string_view text, std::size_t limit)
{
    if (text.size() <= limit) {
        return text.size();
    }
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return end;
}

void trimTrailingDotsAndSpaces(std::string& name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) {
        name.pop_back();
    }
}

} // namespace

std::string safeName(std::string_view text)
{
    const std::string valid = platform::isValidUtf8(text)
                                  ? std::string(text)
                                  : platform::utf8ToWide(text.data(), text.size());
    std::string name;
    name.reserve(valid.size());
    for (const char c : valid) {
        name.push_back(isForbidden(static_cast<unsigned char>(c)) ? '_' : c);
    }
    trimTrailingDotsAndSpaces(name);
    if (isReservedDeviceName(name)) {
        name.insert(0, 1, '_');
    }
    if (name.size() > kMaxSafeNameBytes) {
        const std::size_t dot = name.rfind('.');
        std::string extension;
        if (dot != std::string::npos && dot > 0 && name.size() - dot <= kMaxKeptExtension) {
            extension = name.substr(dot);
        }
        const std::string_view stem(name.data(), name.size() - extension.size());
        std::string cut(stem.substr(0, utf8Prefix(stem, kMaxSafeNameBytes - extension.size())));
        trimTrailingDotsAndSpaces(cut);
        name = cut.empty() ? std::string() : cut + extension;
        trimTrailingDotsAndSpaces(name);
    }
    if (name.empty()) {
        return std::string(kUnknownName);
    }
    return name;
}

} // namespace platform
