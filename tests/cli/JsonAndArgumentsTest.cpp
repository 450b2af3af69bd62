// The JSON writer and the command-line parser, whose output and behaviour other programs rely on.
#include "cli/Arguments.h"
#include "cli/JsonWriter.h"

#include <sstream>

#include <gtest/gtest.h>

using namespace cli;

TEST(JsonWriterTest, EscapesEveryByteIntoValidJson)
{
    const struct
    {
        const char* name;
        std::string input;
        std::string expected;
    } rows[] = {
        {"quotes and backslash", "a\"b\\c", R"("a\"b\\c")"},
        {"line breaks and tab", "a\r\nb\tc", R"("a\r\nb\tc")"},
        {"control byte", std::string("a\x01", 2), R"("a\u0001")"},
        {"NUL kept", std::string("a\0b", 3), R"("a\u0000b")"},
        {"valid UTF-8 passes", "caf\xC3\xA9", "\"caf\xC3\xA9\""},
        {"invalid byte repaired", "a\xFF", "\"a\xEF\xBF\xBD\""},
        {"invalid byte after NUL", std::string("\0\xFF", 2), "\"\\u0000\xEF\xBF\xBD\""},
        {"DEL and a three-byte sequence pass", "\x7F\xE2\x82\xAC", "\"\x7F\xE2\x82\xAC\""},
        {"cut sequence repaired", "\xE2\x82", "\"\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };

    for (const auto& row : rows) {
        EXPECT_EQ(jsonQuote(row.input), row.expected) << row.name;
        // Plain text is scanned a word of eight bytes at a time: the same bytes must come out
        // wherever they fall in a word, and whatever plain text surrounds them.
        const std::string inner = row.expected.substr(1, row.expected.size() - 2);
        for (std::size_t before = 1; before <= 16; ++before) {
            const std::string plainBefore(before, 'x');
            const std::string plainAfter(17 - before, 'y');
            EXPECT_EQ(jsonQuote(plainBefore + row.input + plainAfter),
                      '"' + plainBefore + inner + plainAfter + '"')
                << row.name << " after " << before;
        }
    }
}

TEST(JsonWriterTest, NestsWithCommas)
{
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    json.key("a");
    json.beginArray();
    json.value(1);
    json.value(true);
    json.null();
    json.beginObject();
    json.endObject();
    json.endArray();
    json.key("b");
    json.value(2.5);
    json.key("c");
    json.beginArray();
    json.endArray();
    json.endObject();
    EXPECT_EQ(out.str(), R"({"a":[1,true,null,{}],"b":2.5,"c":[]})");
}

TEST(ArgumentsTest, GnuStyleOptions)
{
    const std::vector<OptionSpec> specs = {{"root", true}, {"json", false}};
    ParsedArguments parsed;
    std::string error;
    ASSERT_EQ(parseArguments(
                  {"--root", "a", "x", "--root=b=c", "--json", "--", "--y"}, specs, parsed, error),
              0);
    EXPECT_EQ(parsed.values("root"), (std::vector<std::string>{"a", "b=c"}));
    EXPECT_TRUE(parsed.has("json"));
    EXPECT_EQ(parsed.positionals, (std::vector<std::string>{"x", "--y"}));

    const struct
    {
        std::vector<std::string> args;
        const char* message;
    } bad[] = {
        {{"--nope"}, "unknown option --nope"},
        {{"--root"}, "option --root needs a value"},
        {{"--json=1"}, "option --json takes no value"},
    };

    for (const auto& row : bad) {
        ParsedArguments ignored;
        EXPECT_EQ(parseArguments(row.args, specs, ignored, error), 2);
        EXPECT_EQ(error, row.message);
    }
}
