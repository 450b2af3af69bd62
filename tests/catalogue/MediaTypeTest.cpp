// Media sniffing: every row of the media table, the boundaries of each test, the generated
// media files, and naming with its running counter.
#include "catalogue/MediaType.h"

#include "fixtures/backup/MediaBytes.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <cerrno>

#include <gtest/gtest.h>

using namespace catalogue;
using testsupport::TempDir;

namespace {

using Bytes = std::vector<std::uint8_t>;

// `head` followed by zero bytes up to `length`.
Bytes buffer(std::initializer_list<int> head, std::size_t length = 512)
{
    Bytes bytes(length, 0);
    std::size_t i = 0;
    for (const int value : head) {
        bytes[i++] = static_cast<std::uint8_t>(value);
    }
    return bytes;
}

Bytes text(std::size_t offset, std::string_view value, Bytes bytes)
{
    std::copy(value.begin(), value.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offset));
    return bytes;
}

Bytes ftyp(std::string_view major, std::initializer_list<std::string_view> compatible = {})
{
    Bytes bytes = buffer({0, 0, 0, static_cast<int>(16 + 4 * compatible.size())});
    bytes = text(4, "ftyp", bytes);
    bytes = text(8, major, bytes);
    std::size_t offset = 16;
    for (const std::string_view brand : compatible) {
        bytes = text(offset, brand, bytes);
        offset += 4;
    }
    return bytes;
}

Bytes icon(int count)
{
    Bytes bytes = buffer({0, 0, 1, 0, count, 0});
    std::uint32_t expected = 6 + 16 * static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        bytes[entry] = 16;
        bytes[entry + 1] = 16;
        bytes[entry + 8] = 40; // image size
        for (std::size_t b = 0; b < 4; ++b) {
            bytes[entry + 12 + b] = static_cast<std::uint8_t>(expected >> (8 * b));
        }
        expected += 40;
    }
    return bytes;
}

Bytes bmp()
{
    Bytes bytes = text(0, "BM", buffer({}));
    bytes[14] = 40;
    return bytes;
}

struct Row
{
    const char* name;
    Bytes bytes;
    int code;
};

std::vector<Row> rows()
{
    return {
        {"mpeg pack with system header at 14",
         buffer({0, 0, 1, 0xBA, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0, 1, 0xBB}),
         kMediaMpeg},
        {"mpeg video sequence", buffer({0, 0, 1, 0xB3, 1, 2, 3, 4, 0, 0, 1, 0xB8}), kMediaMpeg},
        {"mp4 mp42", ftyp("mp42"), kMediaMp4},
        {"mp4 isom", ftyp("isom"), kMediaMp4},
        {"mp4 iso2", ftyp("iso2"), kMediaMp4},
        {"realmedia", text(0, ".RMF", buffer({})), kMediaRealMedia},
        {"asf",
         buffer({0x30,
                 0x26,
                 0xB2,
                 0x75,
                 0x8E,
                 0x66,
                 0xCF,
                 0x11,
                 0xA6,
                 0xD9,
                 0x00,
                 0xAA,
                 0x00,
                 0x62,
                 0xCE,
                 0x6C}),
         kMediaAsf},
        {"avi", text(12, "LIST", text(8, "AVI ", text(0, "RIFF", buffer({})))), kMediaAvi},
        {"3gp", ftyp("3gp4"), kMedia3gp},
        {"mp3", text(0, "ID3", buffer({0, 0, 0, 3, 0, 0, 0, 0, 0x10, 0x7F})), kMediaMp3},
        {"midi", text(14, "MTrk", text(0, "MThd", buffer({0, 0, 0, 0, 0, 0, 0, 6}))), kMediaMidi},
        {"wav", text(12, "fmt ", text(8, "WAVE", text(0, "RIFF", buffer({})))), kMediaWav},
        {"mov moov", text(0, "moov", buffer({})), kMediaMov},
        {"mov qt brand", ftyp("qt  "), kMediaMov},
        {"gif89a", text(0, "GIF89a", buffer({})), kMediaGif},
        {"gif87a", text(0, "GIF87a", buffer({})), kMediaGif},
        {"bmp", bmp(), kMediaBmp},
        {"jpeg jfif", text(6, "JFIF", buffer({0xFF, 0xD8, 0xFF, 0xE0})), kMediaJpeg},
        {"jpeg exif", text(6, "Exif", buffer({0xFF, 0xD8, 0xFF, 0xE1})), kMediaJpeg},
        {"png", buffer({0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}), kMediaPng},
        {"ico one image", icon(1), kMediaIco},
        {"ico three images", icon(3), kMediaIco},
        // Rows for current devices.
        {"heic", ftyp("heic", {"mif1", "heic"}), kMediaHeic},
        {"heix", ftyp("heix"), kMediaHeic},
        {"hevc sequence", ftyp("hevc"), kMediaHeic},
        {"hevx", ftyp("hevx"), kMediaHeic},
        {"mif1 major", ftyp("mif1", {"MiHE", "miaf"}), kMediaHeic},
        {"msf1", ftyp("msf1"), kMediaHeic},
        {"unknown major, heic compatible", ftyp("MiHB", {"miaf", "heic"}), kMediaHeic},
        {"mov without ftyp: mdat first", text(4, "mdat", buffer({0, 0, 0, 8})), kMediaQuickTime},
        {"mov without ftyp: wide first", text(4, "wide", buffer({0, 0, 0, 8})), kMediaQuickTime},
        {"qt brand among compatible", ftyp("XXXX", {"qt  "}), kMediaQuickTime},
        {"mp41", ftyp("mp41"), kMediaMpeg4},
        {"avc1", ftyp("avc1"), kMediaMpeg4},
        {"m4v", ftyp("M4V "), kMediaM4v},
        {"m4v iPhone", ftyp("M4VP"), kMediaM4v},
        {"m4a", ftyp("M4A "), kMediaM4a},
        {"m4b", ftyp("M4B "), kMediaM4a},
        {"jpeg starting with a table", buffer({0xFF, 0xD8, 0xFF, 0xDB}), kMediaAnyJpeg},
        {"jpeg adobe", buffer({0xFF, 0xD8, 0xFF, 0xEE}), kMediaAnyJpeg},
        {"jpeg E1 without Exif", buffer({0xFF, 0xD8, 0xFF, 0xE1}), kMediaAnyJpeg},
        {"webp", text(8, "WEBP", text(0, "RIFF", buffer({}))), kMediaWebp},
        {"tiff little-endian", buffer({0x49, 0x49, 0x2A, 0x00, 8}), kMediaTiff},
        {"tiff big-endian", buffer({0x4D, 0x4D, 0x00, 0x2A}), kMediaTiff},
        {"bigtiff", buffer({0x49, 0x49, 0x2B, 0x00}), kMediaTiff},
        // Not recognised.
        {"zeros", buffer({}), kMediaUnknown},
        {"mpeg system header only at 40",
         [] {
             Bytes b = buffer({0, 0, 1, 0xBA});
             b[40] = 0;
             b[41] = 0;
             b[42] = 1;
             b[43] = 0xBB;
             return b;
         }(),
         kMediaUnknown},
        {"GIF89A upper case", text(0, "GIF89A", buffer({})), kMediaUnknown},
        {"GIF with letters for digits", text(0, "GIFx9a", buffer({})), kMediaUnknown},
        {"bmp with another header size", text(0, "BM", buffer({})), kMediaUnknown},
        {"ico with wrong offset",
         [] {
             Bytes b = icon(2);
             b[6 + 16 + 12] += 1;
             return b;
         }(),
         kMediaUnknown},
        {"ico with zero count", buffer({0, 0, 1, 0, 0, 0}), kMediaUnknown},
        {"mp3 with undefined flags", text(0, "ID3", buffer({0, 0, 0, 3, 0, 0x1F})), kMediaUnknown},
        {"avif", ftyp("avif"), kMediaUnknown},
        {"riff of another kind", text(8, "CDXA", text(0, "RIFF", buffer({}))), kMediaUnknown},
        {"pdf", text(0, "%PDF-1.4", buffer({})), kMediaUnknown},
    };
}

} // namespace

TEST(MediaTypeTest, EveryRowOfTheTable)
{
    for (const Row& row : rows()) {
        EXPECT_EQ(sniffMediaType(row.bytes), row.code) << row.name;
    }
}

TEST(MediaTypeTest, ExtensionsComeFromTheFirstRowOfTheirCode)
{
    const std::pair<int, const char*> extensions[] = {
        {kMediaMpeg, "mpeg"},
        {kMediaAsf, "wmv"},
        {kMediaJpeg, "jpg"},
        {kMediaMp4, "mp4"},
        {kMediaMov, "mov"},
        {kMediaHeic, "heic"},
        {kMediaQuickTime, "mov"},
        {kMediaAnyJpeg, "jpg"},
        {kMediaTiff, "tif"},
        {kMediaUnknown, ""},
        {0, ""},
    };
    for (const auto& [code, extension] : extensions) {
        EXPECT_EQ(mediaExtension(code), extension) << code;
    }
}

TEST(MediaTypeTest, ShortBuffersAreNeverReadPastTheirEnd)
{
    // Every prefix of every sample, each in a heap block of exactly its size: the sanitizer
    // catches any read beyond it. Prefixes shorter than a test's minimum never match it.
    for (const Row& row : rows()) {
        for (std::size_t length = 0; length <= 48; ++length) {
            const Bytes prefix(row.bytes.begin(),
                               row.bytes.begin() + static_cast<std::ptrdiff_t>(length));
            const int code = sniffMediaType(prefix);
            if (length < 3) {
                EXPECT_EQ(code, kMediaUnknown) << row.name << " " << length;
            }
        }
    }
    // The minimum lengths of the original tests.
    const Bytes mp42 = ftyp("mp42");
    EXPECT_EQ(sniffMediaType(Bytes(mp42.begin(), mp42.begin() + 31)), kMediaMpeg4);
    const Bytes threeGp = ftyp("3gp4");
    EXPECT_EQ(sniffMediaType(Bytes(threeGp.begin(), threeGp.begin() + 31)), kMediaUnknown);
    const Bytes midi = rows()[10].bytes;
    EXPECT_EQ(sniffMediaType(Bytes(midi.begin(), midi.begin() + 17)), kMediaUnknown);
    EXPECT_EQ(sniffMediaType(Bytes(midi.begin(), midi.begin() + 18)), kMediaMidi);
    const Bytes mp3 = rows()[9].bytes;
    EXPECT_EQ(sniffMediaType(Bytes(mp3.begin(), mp3.begin() + 9)), kMediaUnknown);
    EXPECT_EQ(sniffMediaType(Bytes(mp3.begin(), mp3.begin() + 10)), kMediaMp3);
}

TEST(MediaTypeTest, GeneratedMediaFiles)
{
    using fixtures::MediaKind;
    const std::pair<MediaKind, int> expected[] = {
        {MediaKind::JpegJfif, kMediaJpeg},
        {MediaKind::JpegExif, kMediaJpeg},
        {MediaKind::JpegRaw, kMediaAnyJpeg},
        {MediaKind::Png, kMediaPng},
        {MediaKind::Gif, kMediaGif},
        {MediaKind::Bmp, kMediaBmp},
        {MediaKind::Heic, kMediaHeic},
        {MediaKind::Mov, kMediaMov},
        {MediaKind::Mp4, kMediaMp4},
        {MediaKind::Mp42, kMediaMp4},
        {MediaKind::M4a, kMediaM4a},
        {MediaKind::ThreeGp, kMedia3gp},
        {MediaKind::Wav, kMediaWav},
        {MediaKind::Avi, kMediaAvi},
        {MediaKind::Mp3, kMediaMp3},
        {MediaKind::Mpeg, kMediaMpeg},
        {MediaKind::WebP, kMediaWebp},
        {MediaKind::Tiff, kMediaTiff},
    };
    ASSERT_EQ(std::size(expected), std::size(fixtures::kAllMediaKinds));
    for (const auto& [kind, code] : expected) {
        for (unsigned seed : {0u, 1u, 77u}) {
            const std::string bytes = fixtures::mediaBytes(kind, seed);
            ASSERT_GE(bytes.size(), kMediaSniffBytes);
            EXPECT_EQ(sniffMediaType(Bytes(bytes.begin(), bytes.end())), code)
                << fixtures::mediaFileExtension(kind) << " seed " << seed;
        }
    }
}

TEST(NameMediaFileTest, NumbersRecognisedFilesOnly)
{
    TempDir dir;
    const auto write = [&dir](const std::string& name, const std::string& bytes) {
        testsupport::writeFileBytes(dir.file(name), bytes);
        return dir.file(name);
    };
    // 600 bytes: FF D8 FF E1, two bytes, "Exif".
    std::string exif = std::string("\xFF\xD8\xFF\xE1\x00\x10", 6) + "Exif";
    exif.resize(600, '\x11');
    const std::string paths[] = {
        write("a", exif),
        write("b", std::string(600, 'x')),
        write("c", fixtures::mediaBytes(fixtures::MediaKind::Mov, 3)),
        write("d", fixtures::mediaBytes(fixtures::MediaKind::Heic, 4)),
    };
    std::int64_t counter = 0;
    std::string name = "stale";
    const char* expected[] = {"0.jpg", "", "1.mov", "2.heic"};
    for (std::size_t i = 0; i < std::size(paths); ++i) {
        EXPECT_EQ(nameMediaFile(paths[i], counter, name), platform::kStatusOk);
        EXPECT_EQ(name, expected[i]);
    }
    EXPECT_EQ(counter, 3);
}

TEST(NameMediaFileTest, ShortAndMissingFiles)
{
    TempDir dir;
    std::string jpeg = fixtures::mediaBytes(fixtures::MediaKind::JpegJfif, 1);
    for (const std::size_t length : {std::size_t{0}, std::size_t{400}, kMediaSniffBytes - 1}) {
        testsupport::writeFileBytes(dir.file("short"), jpeg.substr(0, length));
        std::int64_t counter = 5;
        std::string name = "stale";
        EXPECT_EQ(nameMediaFile(dir.file("short"), counter, name), platform::kStatusShortRead)
            << length;
        EXPECT_TRUE(name.empty());
        EXPECT_EQ(counter, 5);
    }
    testsupport::writeFileBytes(dir.file("exact"), jpeg.substr(0, kMediaSniffBytes));
    std::int64_t counter = 5;
    std::string name;
    EXPECT_EQ(nameMediaFile(dir.file("exact"), counter, name), platform::kStatusOk);
    EXPECT_EQ(name, "5.jpg");
    EXPECT_EQ(nameMediaFile(dir.file("missing"), counter, name), platform::statusFromErrno(ENOENT));
    EXPECT_TRUE(name.empty());
    EXPECT_EQ(nameMediaFile(dir.path(), counter, name), platform::statusFromErrno(EISDIR));
}

TEST(NameMediaFileTest, BufferVariantSniffsTheFirst128Bytes)
{
    const std::string png = fixtures::mediaBytes(fixtures::MediaKind::Png, 9);
    std::int64_t counter = 0;
    std::string name;
    const Bytes bytes(png.begin(), png.end());
    EXPECT_EQ(nameMediaBuffer(bytes, counter, name), platform::kStatusOk);
    EXPECT_EQ(name, "0.png");
    // The ICO test needs its whole directory within the sniffed bytes: 8 entries need 134.
    const Bytes ico = icon(8);
    EXPECT_EQ(sniffMediaType(ico), kMediaIco);
    EXPECT_EQ(nameMediaBuffer(ico, counter, name), platform::kStatusOk);
    EXPECT_EQ(name, "");
    EXPECT_EQ(nameMediaBuffer(Bytes(png.begin(), png.begin() + 8), counter, name),
              platform::kStatusOk);
    EXPECT_EQ(name, "1.png");
    EXPECT_EQ(counter, 2);
}
