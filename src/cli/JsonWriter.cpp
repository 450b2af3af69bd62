// Streaming JSON output.
#include "JsonWriter.h"

#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace cli {

namespace {

// True for a byte that stands for itself inside a JSON string.
bool isPlainJson(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
}

// Whether any of the eight bytes of `word` may stand for something other than itself: a
// control character, a quote, a backslash, or a byte from 0x80 up (part of a UTF-8 sequence,
// to be checked). Never false for such a word; the byte loop then finds which byte it is.
bool needsCare(std::uint64_t word)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    // Non-zero when a byte of `v` is below `n` (exact for n up to 0x80).
    const auto hasLess = [](std::uint64_t v, std::uint64_t n) {
        return (v - kOnes * n) & ~v & kHigh;
    };
    return (hasLess(word, 0x20) | hasLess(word ^ (kOnes * '"'), 1) |
            hasLess(word ^ (kOnes * '\\'), 1) | (word & kHigh)) != 0;
}

} // namespace

void appendJsonString(std::string& out, std::string_view text)
{
    constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        // Plain ASCII, the bulk of most texts, is copied a run at a time, found eight bytes
        // at a time.
        std::size_t plain = i;
        for (std::uint64_t word = 0; plain + 8 <= text.size(); plain += 8) {
            std::memcpy(&word, text.data() + plain, 8);
            if (needsCare(word)) {
                break;
            }
        }
        while (plain < text.size() && isPlainJson(text[plain])) {
            ++plain;
        }
        out.append(text.data() + i, plain - i);
        i = plain;
        if (i == text.size()) {
            break;
        }
        const char c = text[i];
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(byte));
            out += escaped;
        } else {
            const std::size_t length = platform::utf8SequenceLength(text, i);
            if (length == 0) {
                out += kReplacement;
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        ++i;
    }
    out += '"';
}

std::string jsonQuote(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    appendJsonString(out, text);
    return out;
}

JsonWriter::JsonWriter(std::ostream& out, bool pretty)
    : m_out(out)
    , m_pretty(pretty)
{}

void JsonWriter::newline()
{
    if (m_pretty) {
        m_out << '\n' << std::string(m_empty.size() * 2, ' ');
    }
}

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_empty.empty()) {
        if (!m_empty.back()) {
            m_out << ',';
        }
        m_empty.back() = false;
        newline();
    }
}

void JsonWriter::open(char opener)
{
    beforeValue();
    m_out << opener;
    m_empty.push_back(true);
}

void JsonWriter::close(char closer)
{
    const bool wasEmpty = m_empty.back();
    m_empty.pop_back();
    if (!wasEmpty) {
        newline();
    }
    m_out << closer;
}

void JsonWriter::beginObject()
{
    open('{');
}

void JsonWriter::endObject()
{
    close('}');
}

void JsonWriter::beginArray()
{
    open('[');
}

void JsonWriter::endArray()
{
    close(']');
}

void JsonWriter::key(std::string_view name)
{
    beforeValue();
    m_out << jsonQuote(name) << (m_pretty ? ": " : ":");
    m_afterKey = true;
}

void JsonWriter::value(std::string_view text)
{
    beforeValue();
    m_out << jsonQuote(text);
}

void JsonWriter::value(std::int64_t number)
{
    beforeValue();
    m_out << number;
}

void JsonWriter::value(std::uint64_t number)
{
    beforeValue();
    m_out << number;
}

void JsonWriter::value(double number)
{
    beforeValue();
    if (!std::isfinite(number)) {
        m_out << "null";
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", number);
    m_out << text;
}

void JsonWriter::value(bool flag)
{
    beforeValue();
    m_out << (flag ? "true" : "false");
}

void JsonWriter::null()
{
    beforeValue();
    m_out << "null";
}

} // namespace cli
