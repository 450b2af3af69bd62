// Decoding of column contents by serial type.
#include "sqlitecarve/Value.h"

#include "platform/ByteView.h"
#include "platform/Status.h"
#include "sqlitecarve/Varint.h"

#include <bit>
#include <cstdio>

namespace sqlitecarve {

bool Value::operator==(const Value& other) const
{
    if (kind != other.kind) {
        return false;
    }
    switch (kind) {
    case ValueKind::Null:
        return true;
    case ValueKind::Integer:
        return integer == other.integer;
    case ValueKind::Real:
        return real == other.real || (real != real && other.real != other.real);
    default:
        return bytes == other.bytes;
    }
}

namespace {

void appendCodePoint(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xc0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xe0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    } else {
        out.push_back(static_cast<char>(0xf0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3f)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3f)));
    }
}

} // namespace

std::string utf16ToUtf8(std::span<const std::uint8_t> bytes, bool bigEndian)
{
    constexpr std::uint32_t kReplacement = 0xfffd;
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) -> std::uint32_t {
        return bigEndian ? (std::uint32_t{bytes[i]} << 8) | bytes[i + 1]
                         : (std::uint32_t{bytes[i + 1]} << 8) | bytes[i];
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        const std::uint32_t unit = unitAt(i);
        i += 2;
        if (unit >= 0xd800 && unit < 0xdc00) {
            if (i + 1 < bytes.size()) {
                const std::uint32_t low = unitAt(i);
                if (low >= 0xdc00 && low < 0xe000) {
                    i += 2;
                    appendCodePoint(out, 0x10000 + ((unit - 0xd800) << 10) + (low - 0xdc00));
                    continue;
                }
            }
            appendCodePoint(out, kReplacement);
        } else if (unit >= 0xdc00 && unit < 0xe000) {
            appendCodePoint(out, kReplacement);
        } else {
            appendCodePoint(out, unit);
        }
    }
    if (i < bytes.size()) {
        appendCodePoint(out, kReplacement);
    }
    return out;
}

int decodeValue(std::uint64_t type,
                std::span<const std::uint8_t> content,
                TextEncoding encoding,
                Value& value)
{
    if (type == 10 || type == 11 || content.size() != serialTypeContentLength(type)) {
        return platform::kStatusCorrupt;
    }
    // Reset field by field so that a reused value keeps its text buffer.
    value.kind = ValueKind::Null;
    value.serialType = type;
    value.integer = 0;
    value.real = 0.0;
    value.bytes.clear();
    if (type == 0) {
        return platform::kStatusOk;
    }
    if (type == 8 || type == 9) {
        value.kind = ValueKind::Integer;
        value.integer = type == 9 ? 1 : 0;
        return platform::kStatusOk;
    }
    const platform::ByteView view(content);
    if (type <= 6) {
        const std::size_t width = content.size();
        std::uint64_t raw = 0;
        if (!view.uintBe(0, width, raw)) {
            return platform::kStatusCorrupt;
        }
        if (width < 8 && (raw >> (width * 8 - 1)) != 0) {
            raw |= ~((std::uint64_t{1} << (width * 8)) - 1);
        }
        value.kind = ValueKind::Integer;
        value.integer = static_cast<std::int64_t>(raw);
        return platform::kStatusOk;
    }
    if (type == 7) {
        std::uint64_t bits = 0;
        if (!view.u64be(0, bits)) {
            return platform::kStatusCorrupt;
        }
        value.kind = ValueKind::Real;
        value.real = std::bit_cast<double>(bits);
        return platform::kStatusOk;
    }
    // Copied as chars: assigning from byte iterators would build a temporary string first.
    const auto* chars = reinterpret_cast<const char*>(content.data());
    if (type % 2 == 0) {
        value.kind = ValueKind::Blob;
        value.bytes.assign(chars, content.size());
        return platform::kStatusOk;
    }
    value.kind = ValueKind::Text;
    if (encoding == TextEncoding::Utf8) {
        value.bytes.assign(chars, content.size());
    } else {
        value.bytes = utf16ToUtf8(content, encoding == TextEncoding::Utf16be);
    }
    return platform::kStatusOk;
}

std::string valueToText(const Value& value)
{
    switch (value.kind) {
    case ValueKind::Null:
        return {};
    case ValueKind::Integer:
        return std::to_string(value.integer);
    case ValueKind::Real: {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value.real);
        return buffer;
    }
    case ValueKind::Text:
        return value.bytes;
    case ValueKind::Blob: {
        static constexpr char kHex[] = "0123456789abcdef";
        std::string out;
        out.reserve(value.bytes.size() * 2);
        for (const char c : value.bytes) {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
        return out;
    }
    }
    return {};
}

} // namespace sqlitecarve
