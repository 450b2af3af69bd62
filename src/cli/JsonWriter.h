// A small streaming writer of JSON text. Strings may hold any bytes: valid UTF-8 passes
// through, control characters are escaped, and bytes that are not UTF-8 become U+FFFD, so the
// output is always valid JSON.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace cli {

class JsonWriter
{
public:
    // Writes to `out`; with `pretty`, nested values go on indented lines.
    explicit JsonWriter(std::ostream& out, bool pretty = false);

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the current object.
    void key(std::string_view name);

    void value(std::string_view text);

    void value(const char* text) { value(std::string_view(text)); }

    void value(std::int64_t number);

    void value(int number) { value(static_cast<std::int64_t>(number)); }

    void value(std::uint64_t number);
    void value(double number);
    void value(bool flag);
    void null();

    // A member of the current object: its name, then its value.
    template <typename T> void member(std::string_view name, const T& content)
    {
        key(name);
        value(content);
    }

private:
    void beforeValue();
    void newline();
    void open(char opener);
    void close(char closer);

    std::ostream& m_out;
    bool m_pretty;
    // One entry per open container: true while it has no member yet.
    std::vector<bool> m_empty;
    bool m_afterKey = false;
};

// Appends `text` to `out` as a quoted JSON string: quotes, backslashes and control characters
// escaped, bytes that are not UTF-8 as U+FFFD (one for each byte).
void appendJsonString(std::string& out, std::string_view text);

// `text` as a quoted JSON string (see appendJsonString).
std::string jsonQuote(std::string_view text);

} // namespace cli
