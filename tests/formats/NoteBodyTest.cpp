// Note bodies of the newer note store: documents built by the fixture writer (lists,
// checklists, other scripts, a long note, zlib as well as gzip) render with their structure;
// damaged streams and documents fail with a status and no text.
#include "formats/NoteBody.h"

#include "devicedb/GzipStored.h"
#include "platform/Status.h"

#include <string>
#include <vector>
#include <zlib.h>

#include <gtest/gtest.h>

namespace {

using fixtures::NoteLineStyle;
using fixtures::NoteParagraph;
using namespace std::string_literals;

constexpr NoteLineStyle kTitle{fixtures::kNoteStyleTitle, 0, false};
constexpr NoteLineStyle kBody{};
constexpr NoteLineStyle kDotted{fixtures::kNoteStyleDotted, 0, false};
constexpr NoteLineStyle kDashed{fixtures::kNoteStyleDashed, 0, false};
constexpr NoteLineStyle kNumbered{fixtures::kNoteStyleNumbered, 0, false};
constexpr NoteLineStyle kSubDotted{fixtures::kNoteStyleDotted, 1, false};
constexpr NoteLineStyle kTicked{fixtures::kNoteStyleChecklist, 0, true};
constexpr NoteLineStyle kUnticked{fixtures::kNoteStyleChecklist, 0, false};

std::string gzipDocument(const std::vector<NoteParagraph>& paragraphs)
{
    return fixtures::gzipStored(fixtures::noteStoreDocument(paragraphs));
}

std::string zlibCompressed(const std::string& bytes)
{
    uLongf size = compressBound(static_cast<uLong>(bytes.size()));
    std::string out(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(out.data()),
                  &size,
                  reinterpret_cast<const Bytef*>(bytes.data()),
                  static_cast<uLong>(bytes.size()),
                  Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

// A protobuf length-delimited field with a one- or two-byte length.
std::string bytesField(unsigned field, const std::string& bytes)
{
    std::string out(1, static_cast<char>((field << 3) | 2));
    std::size_t length = bytes.size();
    while (length >= 0x80) {
        out += static_cast<char>((length & 0x7F) | 0x80);
        length >>= 7;
    }
    out += static_cast<char>(length);
    return out + bytes;
}

std::string wrapNote(const std::string& note)
{
    return bytesField(2, bytesField(3, note));
}

struct LongNote
{
    std::string blob;
    std::string text;
};

LongNote longNote()
{
    std::vector<NoteParagraph> paragraphs{{"Long", kTitle}};
    std::string text = "Long";
    for (int i = 1; i <= 3000; ++i) {
        paragraphs.push_back({"item " + std::to_string(i) + " ✓ Ωμέγα", kNumbered});
        text += "\n" + std::to_string(i) + ". item " + std::to_string(i) + " ✓ Ωμέγα";
    }
    return {gzipDocument(paragraphs), text};
}

std::span<const std::uint8_t> bytesOf(const std::string& blob)
{
    return {reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()};
}

TEST(NoteBody, RendersStructureAndFailsCleanlyOnDamage)
{
    const std::string plain = gzipDocument({{"Shopping\nmilk & eggs", kBody}});
    const LongNote longBody = longNote();
    std::string nested = "\x0A\x00"s;
    for (int depth = 0; depth < 2000; ++depth) {
        nested = bytesField(2, nested);
    }

    struct Case
    {
        const char* name;
        std::string blob;
        int status;
        std::string text;
    };

    const std::vector<Case> cases = {
        {"plain paragraphs", plain, 0, "Shopping\nmilk & eggs"},
        {"zlib instead of gzip",
         zlibCompressed(fixtures::noteStoreProto("Shopping\nmilk & eggs")),
         0,
         "Shopping\nmilk & eggs"},
        {"checklist",
         gzipDocument({{"Packing", kTitle}, {"passport", kTicked}, {"charger", kUnticked}}),
         0,
         "Packing\n☑ passport\n☐ charger"},
        {"numbered list with a bulleted sub-list, then numbering goes on",
         gzipDocument({{"Steps", kTitle},
                       {"one", kNumbered},
                       {"two", kNumbered},
                       {"detail", kSubDotted},
                       {"three", kNumbered},
                       {"after", kBody},
                       {"again", kNumbered}}),
         0,
         "Steps\n1. one\n2. two\n  • detail\n3. three\nafter\n1. again"},
        {"dashed list and empty paragraphs keep no mark",
         gzipDocument({{"a", kDashed}, {"", kDashed}, {"b", kDashed}}),
         0,
         "• a\n\n• b"},
        // Characters outside the BMP count two units: a miscount shifts the next paragraph's
        // style.
        {"other scripts and surrogate pairs",
         gzipDocument({{"🥚🥚 日本語", kUnticked}, {"Ελληνικά", kDotted}, {"עברית", kBody}}),
         0,
         "☐ 🥚🥚 日本語\n• Ελληνικά\nעברית"},
        {"object marks are left out",
         gzipDocument({{"see \xEF\xBF\xBC here", kBody}}),
         0,
         "see  here"},
        {"runs ending early leave body paragraphs",
         fixtures::gzipStored(
             wrapNote(bytesField(2, "a\nb") + bytesField(5, "\x08\x02\x12\x02\x08\x64"s))),
         0,
         "• a\nb"},
        {"long note over several stored blocks", longBody.blob, 0, longBody.text},
        {"truncated gzip", plain.substr(0, plain.size() / 2), platform::kStatusTruncated, ""},
        {"gzip without trailer", plain.substr(0, plain.size() - 8), platform::kStatusTruncated, ""},
        {"ciphertext of a locked note",
         "\x5A\x13\x9C\x01\xFF\x00\x42"s,
         platform::kStatusUnsupported,
         ""},
        {"empty blob", "", platform::kStatusUnsupported, ""},
        {"invalid deflate block",
         "\x1F\x8B\x08\x00\x00\x00\x00\x00\x00\x03\x07\x00"s,
         platform::kStatusCorrupt,
         ""},
        {"note length beyond the buffer",
         fixtures::gzipStored("\x12\x05\x1A\x7F\x12\x01x"s),
         platform::kStatusCorrupt,
         ""},
        {"text length beyond the note",
         fixtures::gzipStored(wrapNote("\x12\x40short"s)),
         platform::kStatusCorrupt,
         ""},
        {"unterminated varint",
         fixtures::gzipStored("\x08\xFF\xFF"s),
         platform::kStatusCorrupt,
         ""},
        {"group wire type",
         fixtures::gzipStored(wrapNote("\x13\x14"s)),
         platform::kStatusCorrupt,
         ""},
        {"text not UTF-8",
         fixtures::gzipStored(wrapNote(bytesField(2, "\xC3\x28"s))),
         platform::kStatusCorrupt,
         ""},
        {"deep nesting without a note",
         fixtures::gzipStored(nested),
         platform::kStatusUnsupported,
         ""},
    };
    for (const Case& c : cases) {
        std::string text = "stale";
        EXPECT_EQ(formats::decodeNoteBody(bytesOf(c.blob), text), c.status) << c.name;
        EXPECT_EQ(text, c.text) << c.name;
    }
}

TEST(NoteBody, InflateStopsAtTheLimit)
{
    const std::string blob = longNote().blob;
    std::string document;
    EXPECT_EQ(formats::inflateNoteData(bytesOf(blob), document, 1000),
              platform::kStatusUnsupported);
    EXPECT_TRUE(document.empty());
    EXPECT_EQ(formats::inflateNoteData(bytesOf(blob), document), 0);
    EXPECT_GT(document.size(), 65535U) << "spans several stored blocks";
}

} // namespace
