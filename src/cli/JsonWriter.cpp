// Streaming JSON output.
#include "JsonWriter.h"

#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace cli {

namespace {

// `text` with every byte sequence that is not UTF-8 replaced by U+FFFD; NUL bytes are kept.
std::string repairUtf8(std::string_view text)
{
    if (platform::isValidUtf8(text)) {
        return std::string(text);
    }
    std::string out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t nul = std::min(text.find('\0', start), text.size());
        out += platform::utf8ToWide(text.data() + start, nul - start);
        if (nul == text.size()) {
            return out;
        }
        out += '\0';
        start = nul + 1;
    }
}

} // namespace

std::string jsonQuote(std::string_view text)
{
    std::string out = "\"";
    for (const char c : repairUtf8(text)) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
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
