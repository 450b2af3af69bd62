// The guarded plist reader: cycles, depth, reference blow-up, bad trailers, XML nesting, and
// strings that hold a NUL.
#include "formats/PlistReader.h"

#include "platform/Diagnostics.h"
#include "platform/Status.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A binary plist of `objects` (each one's encoded bytes) with 1-byte offsets and references.
Bytes binaryPlist(const std::vector<Bytes>& objects, std::uint8_t top = 0)
{
    Bytes out = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
    Bytes offsets;
    for (const Bytes& object : objects) {
        offsets.push_back(static_cast<std::uint8_t>(out.size()));
        out.insert(out.end(), object.begin(), object.end());
    }
    const auto tableOffset = static_cast<std::uint8_t>(out.size());
    out.insert(out.end(), offsets.begin(), offsets.end());
    Bytes trailer(32, 0);
    trailer[6] = 1;
    trailer[7] = 1;
    trailer[15] = static_cast<std::uint8_t>(objects.size());
    trailer[23] = top;
    trailer[31] = tableOffset;
    out.insert(out.end(), trailer.begin(), trailer.end());
    return out;
}

// A binary plist whose objects are arrays of references; an object with no children is an
// empty array.
Bytes arraysPlist(const std::vector<std::vector<std::uint8_t>>& children, std::uint8_t top = 0)
{
    std::vector<Bytes> objects;
    for (const auto& refs : children) {
        Bytes object = {static_cast<std::uint8_t>(0xA0 | refs.size())};
        object.insert(object.end(), refs.begin(), refs.end());
        objects.push_back(std::move(object));
    }
    return binaryPlist(objects, top);
}

} // namespace

TEST(PlistReaderTest, BinaryPlistShapeChecks)
{
    struct Case
    {
        const char* name;
        Bytes bytes;
        int status;
    };

    std::vector<std::vector<std::uint8_t>> deep;
    for (std::uint8_t i = 0; i < 100; ++i) {
        deep.push_back(i + 1 < 100 ? std::vector<std::uint8_t>{static_cast<std::uint8_t>(i + 1)}
                                   : std::vector<std::uint8_t>{});
    }
    // 40 levels, each referring twice to the next: 2^40 nodes once libplist copies them.
    std::vector<std::vector<std::uint8_t>> doubling;
    for (std::uint8_t i = 0; i < 40; ++i) {
        doubling.push_back(std::vector<std::uint8_t>(2, static_cast<std::uint8_t>(i + 1)));
    }
    doubling.push_back({});
    Bytes badRefSize = arraysPlist({{1}, {}});
    badRefSize[badRefSize.size() - 32 + 7] = 9;
    Bytes tableOutside = arraysPlist({{1}, {}});
    tableOutside.back() = 0xF0;
    Bytes hugeCount = arraysPlist({{1}, {}});
    hugeCount[hugeCount.size() - 32 + 8] = 0x7F;
    const std::vector<Case> cases = {
        {"shared but acyclic", arraysPlist({{1, 2, 2}, {2}, {}}), 0},
        {"self reference", arraysPlist({{0}}), platform::kStatusCycle},
        {"longer cycle", arraysPlist({{1}, {2}, {0}}), platform::kStatusCycle},
        {"reference out of range", arraysPlist({{7}, {}}), platform::kStatusCorrupt},
        {"top object out of range", arraysPlist({{}}, 3), platform::kStatusCorrupt},
        {"100 levels", arraysPlist(deep), platform::kStatusTooDeep},
        {"reference blow-up", arraysPlist(doubling), platform::kStatusCorrupt},
        {"reference size 9", badRefSize, platform::kStatusCorrupt},
        {"offset table outside", tableOutside, platform::kStatusCorrupt},
        {"object count beyond the file", hugeCount, platform::kStatusCorrupt},
        {"shorter than a trailer",
         Bytes{'b', 'p', 'l', 'i', 's', 't', '0', '0', 0},
         platform::kStatusCorrupt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(formats::checkBinaryPlist(c.bytes), c.status) << c.name;
        formats::Plist plist;
        platform::Diagnostics diagnostics;
        const int status = formats::parsePlist(c.bytes, 1 << 20, plist, &diagnostics);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(plist.root() != nullptr, c.status == 0) << c.name;
        // Every refusal says where it was found.
        EXPECT_EQ(diagnostics.entries().size(), c.status == 0 ? 0u : 1u) << c.name;
    }
}

TEST(PlistReaderTest, XmlNestingSizeCapAndGarbage)
{
    std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\">";
    for (int i = 0; i < 100; ++i) {
        deep += "<array>";
    }
    for (int i = 0; i < 100; ++i) {
        deep += "</array>";
    }
    deep += "</plist>";
    const std::string shallow = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>"
                                "<array><true/></array><key>b</key><dict/></dict></plist>";
    auto bytes = [](const std::string& text) {
        return std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()),
                                             text.size());
    };
    formats::Plist plist;
    EXPECT_EQ(formats::parsePlist(bytes(deep), 1 << 20, plist), platform::kStatusTooDeep);
    ASSERT_EQ(formats::parsePlist(bytes(shallow), 1 << 20, plist), 0);
    EXPECT_EQ(formats::boolValue(plist_array_get_item(formats::dictItem(plist.root(), "a"), 0)),
              true);
    EXPECT_EQ(formats::parsePlist(bytes(shallow), 10, plist), platform::kStatusInvalid);
    EXPECT_EQ(formats::parsePlist({}, 10, plist), platform::kStatusInvalid);
    EXPECT_EQ(formats::parsePlist(bytes("not a plist at all"), 1 << 20, plist),
              platform::kStatusCorrupt);
}

// A string may hold a NUL in either encoding. libplist ends an ASCII string at its first NUL
// but keeps a UTF-16 one whole with its length, where asking it for a C string fails an
// assertion inside the library; the reader returns every byte libplist holds.
TEST(PlistReaderTest, StringsKeepEveryByteANulIncluded)
{
    const Bytes key = {0x51, 'k'};
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{0x53, 'a', 0, 'b'}, "a"},
        {{0x63, 0, 'x', 0, 0, 0, 'y'}, std::string("x\0y", 3)},
        {{0x62, 0, 0, 0, 0}, std::string(2, '\0')},
        {{0x64, 0, 'Z', 0, 'o', 0, 0xEB, 0, 0}, std::string("Zo\xC3\xAB\0", 5)},
    };
    for (const auto& [value, expected] : cases) {
        formats::Plist plist;
        ASSERT_EQ(formats::parsePlist(binaryPlist({{0xD1, 1, 2}, key, value}), 1 << 20, plist), 0);
        EXPECT_EQ(formats::stringValue(formats::dictItem(plist.root(), "k")), expected);
    }
}
