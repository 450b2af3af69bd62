// The media table and its magic-number tests. Every test checks the length it needs before it
// reads a byte.
#include "MediaType.h"

#include "platform/ByteReader.h"
#include "platform/ByteView.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace catalogue {

namespace {

using Bytes = std::span<const std::uint8_t>;

bool hasAt(Bytes bytes, std::size_t offset, std::string_view text)
{
    return offset <= bytes.size() && text.size() <= bytes.size() - offset &&
           std::memcmp(bytes.data() + offset, text.data(), text.size()) == 0;
}

bool hasBytesAt(Bytes bytes, std::size_t offset, std::initializer_list<std::uint8_t> expected)
{
    return offset <= bytes.size() && expected.size() <= bytes.size() - offset &&
           std::equal(expected.begin(), expected.end(), bytes.begin() + offset);
}

// Whether the little-endian 16-bit value at `offset` lies inside `bytes` and equals `expected`.
bool u16leIs(Bytes bytes, std::size_t offset, std::uint16_t expected)
{
    std::uint16_t value = 0;
    return platform::ByteView(bytes).u16le(offset, value) && value == expected;
}

// Whether the little-endian 32-bit value at `offset` lies inside `bytes` and equals `expected`.
bool u32leIs(Bytes bytes, std::size_t offset, std::uint64_t expected)
{
    std::uint32_t value = 0;
    return platform::ByteView(bytes).u32le(offset, value) && value == expected;
}

bool isMpegStream(Bytes bytes)
{
    if (bytes.size() < 16) {
        return false;
    }
    const auto searchMark = [bytes](std::uint8_t last) {
        const std::size_t window = std::min<std::size_t>(bytes.size(), 32);
        for (std::size_t i = 0; i + 3 < window; ++i) {
            if (hasBytesAt(bytes, i, {0x00, 0x00, 0x01, last})) {
                return true;
            }
        }
        return false;
    };
    if (hasBytesAt(bytes, 0, {0x00, 0x00, 0x01, 0xBA})) {
        return searchMark(0xBB);
    }
    if (hasBytesAt(bytes, 0, {0x00, 0x00, 0x01, 0xB3})) {
        return searchMark(0xB8);
    }
    return false;
}

bool isMp4(Bytes bytes)
{
    return bytes.size() >= 32 && hasAt(bytes, 4, "ftyp") &&
           (hasAt(bytes, 8, "iso") || hasAt(bytes, 8, "mp42"));
}

bool isRealMedia(Bytes bytes)
{
    return hasAt(bytes, 0, ".RMF");
}

bool isAsf(Bytes bytes)
{
    return bytes.size() >= 24 && hasBytesAt(bytes,
                                            0,
                                            {0x30,
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
                                             0x6C});
}

bool isAvi(Bytes bytes)
{
    return hasAt(bytes, 0, "RIFF") && hasAt(bytes, 8, "AVI ") && hasAt(bytes, 12, "LIST");
}

bool is3gp(Bytes bytes)
{
    return bytes.size() >= 32 && hasAt(bytes, 4, "ftyp") && hasAt(bytes, 8, "3gp");
}

// An ID3 tag header: version bytes below FF, no undefined flags, a size of four 7-bit bytes.
bool isMp3(Bytes bytes)
{
    if (bytes.size() < 10 || !hasAt(bytes, 0, "ID3")) {
        return false;
    }
    return bytes[3] < 0xFF && bytes[4] < 0xFF && (bytes[5] & 0x1F) == 0 && bytes[6] < 0x80 &&
           bytes[7] < 0x80 && bytes[8] < 0x80 && bytes[9] < 0x80;
}

bool isMidi(Bytes bytes)
{
    return hasAt(bytes, 0, "MThd") && hasBytesAt(bytes, 4, {0x00, 0x00, 0x00, 0x06}) &&
           hasAt(bytes, 14, "MTrk");
}

bool isWave(Bytes bytes)
{
    return hasAt(bytes, 0, "RIFF") && hasAt(bytes, 8, "WAVE") && hasAt(bytes, 12, "fmt ");
}

bool isQuickTime(Bytes bytes)
{
    return bytes.size() >= 16 &&
           (hasAt(bytes, 0, "moov") || (hasAt(bytes, 4, "ftyp") && hasAt(bytes, 8, "qt  ")));
}

bool isDigit(std::uint8_t byte)
{
    return byte >= '0' && byte <= '9';
}

bool isGif(Bytes bytes)
{
    return bytes.size() >= 8 && hasAt(bytes, 0, "GIF") && isDigit(bytes[3]) && isDigit(bytes[4]) &&
           bytes[5] >= 'a' && bytes[5] <= 'z';
}

bool isBmp(Bytes bytes)
{
    return bytes.size() >= 40 && (hasAt(bytes, 0, "BM") || hasAt(bytes, 0, "BA")) &&
           u16leIs(bytes, 6, 0) && u16leIs(bytes, 8, 0) && u32leIs(bytes, 14, 40);
}

bool isJpeg(Bytes bytes)
{
    return bytes.size() >= 16 &&
           ((hasBytesAt(bytes, 0, {0xFF, 0xD8, 0xFF, 0xE0}) && hasAt(bytes, 6, "JFIF")) ||
            (hasBytesAt(bytes, 0, {0xFF, 0xD8, 0xFF, 0xE1}) && hasAt(bytes, 6, "Exif")));
}

bool isPng(Bytes bytes)
{
    return hasBytesAt(bytes, 0, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A});
}

// An icon directory whose entries have a zero reserved byte and lie back to back after it.
bool isIco(Bytes bytes)
{
    if (bytes.size() < 16 || !hasBytesAt(bytes, 0, {0x00, 0x00, 0x01, 0x00})) {
        return false;
    }
    const platform::ByteView view(bytes);
    std::uint16_t count = 0;
    constexpr std::uint64_t kEntryBytes = 16;
    if (!view.u16le(4, count) || count == 0 || 6 + kEntryBytes * count > bytes.size()) {
        return false;
    }
    std::uint64_t expected = 6 + kEntryBytes * count;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t entry = static_cast<std::size_t>(6 + kEntryBytes * i);
        std::uint8_t reserved = 0;
        std::uint32_t size = 0;
        if (!view.u8(entry + 3, reserved) || reserved != 0 ||
            !u32leIs(bytes, entry + 12, expected) || !view.u32le(entry + 8, size)) {
            return false;
        }
        expected += size;
    }
    return true;
}

enum class IsoFamily
{
    None,
    Heif,
    QuickTime,
    Mpeg4,
    M4v,
    M4a
};

IsoFamily brandFamily(std::string_view brand)
{
    struct Brand
    {
        std::string_view name;
        IsoFamily family;
    };

    static constexpr std::array<Brand, 26> kBrands = {{
        {"heic", IsoFamily::Heif},  {"heix", IsoFamily::Heif},      {"heim", IsoFamily::Heif},
        {"heis", IsoFamily::Heif},  {"hevc", IsoFamily::Heif},      {"hevx", IsoFamily::Heif},
        {"hevm", IsoFamily::Heif},  {"hevs", IsoFamily::Heif},      {"mif1", IsoFamily::Heif},
        {"msf1", IsoFamily::Heif},  {"qt  ", IsoFamily::QuickTime}, {"isom", IsoFamily::Mpeg4},
        {"iso2", IsoFamily::Mpeg4}, {"iso3", IsoFamily::Mpeg4},     {"iso4", IsoFamily::Mpeg4},
        {"iso5", IsoFamily::Mpeg4}, {"iso6", IsoFamily::Mpeg4},     {"mp41", IsoFamily::Mpeg4},
        {"mp42", IsoFamily::Mpeg4}, {"avc1", IsoFamily::Mpeg4},     {"dash", IsoFamily::Mpeg4},
        {"M4V ", IsoFamily::M4v},   {"M4VH", IsoFamily::M4v},       {"M4VP", IsoFamily::M4v},
        {"M4A ", IsoFamily::M4a},   {"M4B ", IsoFamily::M4a},
    }};
    for (const Brand& known : kBrands) {
        if (known.name == brand) {
            return known.family;
        }
    }
    return IsoFamily::None;
}

// The family of an ISO media file from its leading ftyp box: the major brand's, or else the
// first compatible brand's that is known. The box is read up to its size, at most 256 bytes.
IsoFamily isoFamily(Bytes bytes)
{
    constexpr std::size_t kMaxBoxBytes = 256;
    platform::ByteReader reader(bytes.first(std::min(bytes.size(), kMaxBoxBytes)));
    std::uint32_t size32 = 0;
    std::string_view type;
    if (!reader.u32be(size32) || !reader.text(4, type) || type != "ftyp") {
        return IsoFamily::None;
    }
    std::uint64_t boxSize = size32;
    if (size32 == 1 && !reader.u64be(boxSize)) {
        return IsoFamily::None;
    }
    std::string_view major;
    if (!reader.text(4, major)) {
        return IsoFamily::None;
    }
    if (const IsoFamily family = brandFamily(major); family != IsoFamily::None) {
        return family;
    }
    // A box size of 0 runs to the end of the file.
    const std::uint64_t end =
        boxSize == 0 ? reader.size() : std::min<std::uint64_t>(boxSize, reader.size());
    std::string_view brand;
    if (!reader.skip(4)) {
        return IsoFamily::None;
    }
    while (reader.position() + 4 <= end && reader.text(4, brand)) {
        if (const IsoFamily family = brandFamily(brand); family != IsoFamily::None) {
            return family;
        }
    }
    return IsoFamily::None;
}

bool isHeif(Bytes bytes)
{
    return isoFamily(bytes) == IsoFamily::Heif;
}

bool isQuickTimeMovie(Bytes bytes)
{
    if (isoFamily(bytes) == IsoFamily::QuickTime) {
        return true;
    }
    for (const std::string_view atom : {"moov", "mdat", "wide", "free", "skip", "pnot"}) {
        if (hasAt(bytes, 4, atom)) {
            return true;
        }
    }
    return false;
}

bool isMpeg4(Bytes bytes)
{
    return isoFamily(bytes) == IsoFamily::Mpeg4;
}

bool isM4v(Bytes bytes)
{
    return isoFamily(bytes) == IsoFamily::M4v;
}

bool isM4a(Bytes bytes)
{
    return isoFamily(bytes) == IsoFamily::M4a;
}

bool isAnyJpeg(Bytes bytes)
{
    return hasBytesAt(bytes, 0, {0xFF, 0xD8, 0xFF});
}

bool isWebp(Bytes bytes)
{
    return hasAt(bytes, 0, "RIFF") && hasAt(bytes, 8, "WEBP");
}

bool isTiff(Bytes bytes)
{
    return bytes.size() >= 8 && (hasBytesAt(bytes, 0, {0x49, 0x49, 0x2A, 0x00}) ||
                                 hasBytesAt(bytes, 0, {0x4D, 0x4D, 0x00, 0x2A}) ||
                                 hasBytesAt(bytes, 0, {0x49, 0x49, 0x2B, 0x00}) ||
                                 hasBytesAt(bytes, 0, {0x4D, 0x4D, 0x00, 0x2B}));
}

struct MediaRow
{
    std::string_view extension;
    int code;
    bool (*test)(Bytes);
};

constexpr std::array<MediaRow, 28> kMediaTable = {{
    {"mpeg", kMediaMpeg, isMpegStream},
    {"mpg", kMediaMpeg, isMpegStream},
    {"vob", kMediaMpeg, isMpegStream},
    {"mp4", kMediaMp4, isMp4},
    {"rmvb", kMediaRealMedia, isRealMedia},
    {"wmv", kMediaAsf, isAsf},
    {"wma", kMediaAsf, isAsf},
    {"avi", kMediaAvi, isAvi},
    {"3gp", kMedia3gp, is3gp},
    {"mp3", kMediaMp3, isMp3},
    {"mid", kMediaMidi, isMidi},
    {"wav", kMediaWav, isWave},
    {"mov", kMediaMov, isQuickTime},
    {"gif", kMediaGif, isGif},
    {"bmp", kMediaBmp, isBmp},
    {"jpg", kMediaJpeg, isJpeg},
    {"jpeg", kMediaJpeg, isJpeg},
    {"jpe", kMediaJpeg, isJpeg},
    {"png", kMediaPng, isPng},
    {"ico", kMediaIco, isIco},
    {"heic", kMediaHeic, isHeif},
    {"mov", kMediaQuickTime, isQuickTimeMovie},
    {"mp4", kMediaMpeg4, isMpeg4},
    {"m4v", kMediaM4v, isM4v},
    {"m4a", kMediaM4a, isM4a},
    {"jpg", kMediaAnyJpeg, isAnyJpeg},
    {"webp", kMediaWebp, isWebp},
    {"tif", kMediaTiff, isTiff},
}};

void nameFromBytes(Bytes bytes, std::int64_t& counter, std::string& name)
{
    const int code = sniffMediaType(bytes);
    if (code == kMediaUnknown) {
        return;
    }
    name = std::to_string(counter) + "." + std::string(mediaExtension(code));
    ++counter;
}

} // namespace

int sniffMediaType(std::span<const std::uint8_t> bytes)
{
    for (const MediaRow& row : kMediaTable) {
        if (row.test(bytes)) {
            return row.code;
        }
    }
    return kMediaUnknown;
}

std::string_view mediaExtension(int code)
{
    for (const MediaRow& row : kMediaTable) {
        if (row.code == code) {
            return row.extension;
        }
    }
    return {};
}

int nameMediaFile(const std::string& path, std::int64_t& counter, std::string& name)
{
    name.clear();
    platform::File file;
    if (const int status = file.openRead(path); status != platform::kStatusOk) {
        return status;
    }
    std::array<std::uint8_t, kMediaSniffBytes> head{};
    std::size_t got = 0;
    if (platform::readExact(file, head.data(), head.size(), got) != platform::kStatusOk) {
        return platform::kStatusShortRead;
    }
    nameFromBytes(head, counter, name);
    return platform::kStatusOk;
}

int nameMediaBuffer(std::span<const std::uint8_t> bytes, std::int64_t& counter, std::string& name)
{
    name.clear();
    nameFromBytes(bytes.first(std::min(bytes.size(), kMediaBufferSniffBytes)), counter, name);
    return platform::kStatusOk;
}

} // namespace catalogue
