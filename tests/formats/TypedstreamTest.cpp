// The attributedBody reader against bytes a device wrote, bodies archived by the fixture
// writer across every length form and script, damaged archives, and every truncation.
#include "formats/Typedstream.h"

#include "devicedb/TypedstreamWriter.h"
#include "platform/Status.h"

#include <algorithm>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

using namespace std::string_literals;

// A message body "Noter test" as a device archived it: NSMutableAttributedString holding an
// NSMutableString, then one attribute run with its dictionary {part name: 0}.
const std::string kDeviceBody =
    "\x04\x0B"
    "streamtyped"
    "\x81\xE8\x03"
    "\x84\x01@\x84"
    "\x84\x84\x19NSMutableAttributedString\x00"
    "\x84\x84\x12NSAttributedString\x00"
    "\x84\x84\x08NSObject\x00"
    "\x85\x92\x84"
    "\x84\x84\x0FNSMutableString\x01"
    "\x84\x84\x08NSString\x01"
    "\x95\x84\x01+\x0A"
    "Noter test"
    "\x86\x84\x02iI\x01\x0A"
    "\x92\x84\x84\x84\x0CNSDictionary\x00\x95"
    "\x84\x01i\x01"
    "\x92\x84\x98\x98\x1D__kIMMessagePartAttributeName\x86"
    "\x92\x84\x84\x84\x08NSNumber\x00\x84\x84\x07NSValue\x00\x95\x84\x01*\x84\x9B\x9B\x00\x86"
    "\x86\x86"s;

std::span<const std::uint8_t> bytesOf(const std::string& blob)
{
    return {reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()};
}

// The longest start of `text` within `limit` bytes that ends between two characters.
std::string wholeCharacters(const std::string& text, std::size_t limit)
{
    std::size_t end = std::min(limit, text.size());
    while (end > 0 && end < text.size() && (static_cast<std::uint8_t>(text[end]) & 0xC0) == 0x80) {
        --end;
    }
    return text.substr(0, end);
}

} // namespace

TEST(TypedstreamTest, DeviceBytesDecodeAndTheWriterReproducesThem)
{
    std::string text;
    ASSERT_EQ(formats::decodeAttributedBodyText(bytesOf(kDeviceBody), text), 0);
    EXPECT_EQ(text, "Noter test");
    EXPECT_EQ(fixtures::attributedBody("Noter test"), kDeviceBody);
}

TEST(TypedstreamTest, BodiesOfEveryLengthFormAndScriptReadBack)
{
    struct Row
    {
        const char* name;
        std::string text;
        fixtures::AttributedBodyClasses classes;
        std::string lengthBytes; // the length as archived; empty: not checked
    };

    const auto mutableClasses = fixtures::AttributedBodyClasses::Mutable;
    const auto plainClasses = fixtures::AttributedBodyClasses::Plain;
    const Row rows[] = {
        {"short ASCII", "Hi", mutableClasses, "\x02"},
        {"empty", "", plainClasses, "\x00"s},
        {"127 bytes, one byte", std::string(127, 'a'), mutableClasses, "\x7F"},
        {"128 bytes, two bytes", std::string(128, 'b'), mutableClasses, "\x81\x80\x00"s},
        {"255 bytes", std::string(255, 'c'), plainClasses, "\x81\xFF\x00"s},
        {"256 bytes", std::string(256, 'd'), mutableClasses, "\x81\x00\x01"s},
        {"2,359 bytes", std::string(2359, 'e'), mutableClasses, "\x81\x37\x09"},
        {"65,535 bytes", std::string(65535, 'f'), mutableClasses, "\x81\xFF\xFF"},
        {"65,536 bytes, four bytes",
         std::string(65536, 'g'),
         plainClasses,
         "\x82\x00\x00\x01\x00"s},
        {"CJK", "你好，世界", mutableClasses, "\x0F"},
        {"Arabic", "مرحبا بالعالم", plainClasses, ""},
        {"emoji beyond the BMP", "👋🏽 hi 😀 𝖍𝖊𝖑𝖑𝖔", mutableClasses, ""},
        {"newlines", "line one\nline two\r\n\nend\n", mutableClasses, ""},
        {"attachment markers", "\uFFFCtest 1\uFFFCtest 2 \uFFFCtest 3", mutableClasses, ""},
        {"bytes that look like the next value", "\u2184\u2184 mirrored", plainClasses, ""},
        {"NUL inside", "a\0b"s, mutableClasses, "\x03"},
        {"long non-Latin", std::string(30000, 'x') + std::string("日本語"), plainClasses, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string blob = fixtures::attributedBody(row.text, row.classes);
        if (!row.lengthBytes.empty()) {
            EXPECT_NE(blob.find("\x84\x01+" + row.lengthBytes + row.text), std::string::npos);
        }
        std::string text;
        formats::BodyTextOrigin origin = formats::BodyTextOrigin::Scan;
        ASSERT_EQ(formats::readAttributedBodyText(bytesOf(blob), text, origin), 0);
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(origin, formats::BodyTextOrigin::Archive);
    }
}

// One field of the device's bytes changed: what the strict read says, and what the search for
// the text in a damaged archive recovers (empty: nothing).
TEST(TypedstreamTest, DamagedArchivesFailCleanlyOrAreRecoveredByTheSearch)
{
    struct Row
    {
        const char* name;
        std::string from;
        std::string to;
        int decodeStatus;
        std::string recovered;
    };

    const std::string noter = "Noter test";
    const Row rows[] = {
        {"streamer version 3", "\x04\x0B", "\x03\x0B", platform::kStatusUnsupported, noter},
        {"big-endian signature", "streamtyped", "typedstream", platform::kStatusUnsupported, noter},
        {"unknown signature", "streamtyped", "streamtypeX", platform::kStatusCorrupt, noter},
        {"signature length", "\x04\x0B", "\x04\x0C", platform::kStatusCorrupt, noter},
        {"system version", "\xE8\x03", "\xE7\x03", platform::kStatusUnsupported, noter},
        {"root value not an object", "\x01@", "\x01i", platform::kStatusUnsupported, noter},
        {"root not an attributed string",
         "\x12NSAttributedString",
         "\x12NSAttributedStrinX",
         platform::kStatusUnsupported,
         noter},
        {"first value not a string",
         "\x08NSString",
         "\x08NSStrinX",
         platform::kStatusUnsupported,
         ""},
        {"string value not bytes", "\x01+\x0A", "\x01-\x0A", platform::kStatusUnsupported, ""},
        {"nil where the string is",
         "\x92\x84\x84\x84\x0F",
         "\x92\x85\x84\x84\x0F",
         platform::kStatusCorrupt,
         noter},
        {"type reference outside the table",
         "\x85\x92",
         "\x85\xA0",
         platform::kStatusCorrupt,
         noter},
        {"class reference outside the table",
         "\x01\x95\x84",
         "\x01\xC0\x84",
         platform::kStatusCorrupt,
         noter},
        {"class reference to an object",
         "\x01\x95\x84",
         "\x01\x92\x84",
         platform::kStatusCorrupt,
         noter},
        {"class chain refers to itself",
         "\x01\x95\x84",
         "\x01\x98\x84",
         platform::kStatusCycle,
         noter},
        {"two-byte class reference", "\x01\x95\x84", "\x01\x81\x93\xFF\x84", 0, noter},
        {"float tag as a class version",
         "NSString\x01",
         "NSString\x83",
         platform::kStatusCorrupt,
         noter},
        {"length past the blob",
         "+\x0A",
         "+\x82\x00\x00\x00\x01"s,
         platform::kStatusTruncated,
         noter},
        {"length short of the text", "+\x0A", "+\x04", platform::kStatusCorrupt, noter},
        {"length beyond the text", "+\x0A", "+\x0C", platform::kStatusCorrupt, noter},
        {"invalid UTF-8", noter, "Noter\xFFtest", platform::kStatusCorrupt, ""},
        {"overlong UTF-8", noter, "Note\xC0\xA0test", platform::kStatusCorrupt, ""},
        {"surrogate in UTF-8", noter, "No\xED\xA0\x80 test", platform::kStatusCorrupt, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::string blob = kDeviceBody;
        const std::size_t at = blob.find(row.from);
        ASSERT_NE(at, std::string::npos);
        blob.replace(at, row.from.size(), row.to);

        std::string text = "unchanged";
        EXPECT_EQ(formats::decodeAttributedBodyText(bytesOf(blob), text), row.decodeStatus);
        EXPECT_EQ(text, row.decodeStatus == 0 ? noter : "unchanged");

        formats::BodyTextOrigin origin = formats::BodyTextOrigin::Archive;
        const int status = formats::readAttributedBodyText(bytesOf(blob), text, origin);
        if (row.recovered.empty()) {
            EXPECT_EQ(status, row.decodeStatus);
            EXPECT_EQ(text, "unchanged");
        } else {
            ASSERT_EQ(status, 0);
            EXPECT_EQ(text, row.recovered);
            EXPECT_EQ(origin,
                      row.decodeStatus == 0 ? formats::BodyTextOrigin::Archive
                                            : formats::BodyTextOrigin::Scan);
        }
    }
}

// A blob cut anywhere before the string's end marker is truncated for the strict read; the
// search still recovers the whole characters that remain once the text has begun. The
// attribute runs after the marker are not needed.
TEST(TypedstreamTest, EveryTruncationFailsCleanlyOrKeepsWholeCharacters)
{
    const std::string multiByte = std::string(100, 'a') + "ünïcødé 日本 😀 end";
    const std::pair<std::string, std::string> cases[] = {
        {kDeviceBody, "Noter test"},
        {fixtures::attributedBody(multiByte, fixtures::AttributedBodyClasses::Plain), multiByte},
    };
    for (const auto& [blob, fullText] : cases) {
        SCOPED_TRACE(fullText);
        const std::size_t textStart = blob.find(fullText);
        const std::size_t endMarker = textStart + fullText.size();
        ASSERT_NE(textStart, std::string::npos);
        for (std::size_t size = 0; size <= blob.size(); ++size) {
            SCOPED_TRACE(size);
            const std::string cut = blob.substr(0, size);
            std::string text;
            formats::BodyTextOrigin origin = formats::BodyTextOrigin::Archive;
            const int status = formats::readAttributedBodyText(bytesOf(cut), text, origin);
            if (size > endMarker) {
                ASSERT_EQ(status, 0);
                EXPECT_EQ(text, fullText);
                EXPECT_EQ(origin, formats::BodyTextOrigin::Archive);
            } else if (size >= textStart) {
                ASSERT_EQ(status, 0);
                EXPECT_EQ(text, wholeCharacters(fullText, size - textStart));
                EXPECT_EQ(origin, formats::BodyTextOrigin::Scan);
            } else {
                EXPECT_EQ(status, platform::kStatusTruncated);
            }
        }
    }
}
