// Media type sniffing: backup files carry no extension, so a media file's type is decided from
// its first bytes, and it gets a display name of a running number and the type's extension
// ("0.jpg", "1.mov"). Files of no known type get no name.
//
// The media table, tested row by row in this order; the first row that matches decides:
//   row  ext    code  test
//    1   mpeg   15    MPEG stream: 00 00 01 BA … 00 00 01 BB, or 00 00 01 B3 … 00 00 01 B8,
//    2   mpg    15      the second mark within the first min(length, 32) bytes
//    3   vob    15
//    4   mp4    18    "ftyp" at 4, then "iso" or "mp42" at 8 (length ≥ 32)
//    5   rmvb   23    ".RMF"
//    6   wmv    24    the ASF header GUID (length ≥ 24)
//    7   wma    24
//    8   avi    22    "RIFF", "AVI " at 8, "LIST" at 12
//    9   3gp    16    "ftyp" at 4, "3gp" at 8 (length ≥ 32)
//   10   mp3    12    "ID3" with a plausible tag header
//   11   mid    13    "MThd", 00 00 00 06, "MTrk" at 14
//   12   wav    21    "RIFF", "WAVE" at 8, "fmt " at 12
//   13   mov    17    "moov" at 0, or "ftyp" at 4 and "qt  " at 8
//   14   gif    31    "GIF", two digits, a lowercase letter
//   15   bmp    29    "BM" or "BA", zero reserved fields, a 40-byte info header
//   16   jpg    10    FF D8 FF E0 … "JFIF" at 6, or FF D8 FF E1 … "Exif" at 6
//   17   jpeg   10
//   18   jpe    10
//   19   png    30    89 50 4E 47 0D 0A 1A 0A
//   20   ico    46    a consistent icon directory
// Rows for what current devices write, after those so that every file the rows above
// recognise keeps its type:
//   21   heic   60    ISO media file of a HEIF brand (heic, heix, heim, heis, hevc, hevx, hevm,
//                     hevs, mif1, msf1)
//   22   mov    61    ISO media file of brand "qt  ", or a QuickTime file without ftyp whose
//                     first atom is moov, mdat, wide, free, skip or pnot
//   23   mp4    62    ISO media file of an MPEG-4 brand (isom, iso2–iso6, mp41, mp42, avc1, dash)
//   24   m4v    63    ISO media file of brand "M4V ", "M4VH" or "M4VP"
//   25   m4a    64    ISO media file of brand "M4A " or "M4B "
//   26   jpg    65    any JPEG: FF D8 FF
//   27   webp   66    "RIFF", "WEBP" at 8
//   28   tif    67    TIFF or BigTIFF: "II" 2A 00, "MM" 00 2A, "II" 2B 00, "MM" 00 2B
// An ISO media file starts with an ftyp box; its major brand decides, and when the major brand
// is not one of those above, the first compatible brand that is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace catalogue {

// No type recognised.
inline constexpr int kMediaUnknown = 48;

inline constexpr int kMediaJpeg = 10;
inline constexpr int kMediaMp3 = 12;
inline constexpr int kMediaMidi = 13;
inline constexpr int kMediaMpeg = 15;
inline constexpr int kMedia3gp = 16;
inline constexpr int kMediaMov = 17;
inline constexpr int kMediaMp4 = 18;
inline constexpr int kMediaWav = 21;
inline constexpr int kMediaAvi = 22;
inline constexpr int kMediaRealMedia = 23;
inline constexpr int kMediaAsf = 24;
inline constexpr int kMediaBmp = 29;
inline constexpr int kMediaPng = 30;
inline constexpr int kMediaGif = 31;
inline constexpr int kMediaIco = 46;
inline constexpr int kMediaHeic = 60;
inline constexpr int kMediaQuickTime = 61;
inline constexpr int kMediaMpeg4 = 62;
inline constexpr int kMediaM4v = 63;
inline constexpr int kMediaM4a = 64;
inline constexpr int kMediaAnyJpeg = 65;
inline constexpr int kMediaWebp = 66;
inline constexpr int kMediaTiff = 67;

// How many bytes nameMediaFile reads and sniffs; shorter files are never named.
inline constexpr std::size_t kMediaSniffBytes = 512;
// How many bytes of a buffer nameMediaBuffer sniffs.
inline constexpr std::size_t kMediaBufferSniffBytes = 128;

// The code of the first row of the media table that matches `bytes`, or kMediaUnknown.
int sniffMediaType(std::span<const std::uint8_t> bytes);

// The extension of `code` (its first row's: "mpeg", "wmv", "jpg" …), without a full stop;
// empty for kMediaUnknown and codes not in the table.
std::string_view mediaExtension(int code);

// Names the media file at `path`: reads its first kMediaSniffBytes bytes and, when they are of
// a known type, sets `name` to `counter` in decimal, a full stop and the extension and adds 1 to
// `counter`. Unknown types leave `name` empty and `counter` unchanged. Returns 0 (also for an
// unknown type); the system's error code when the file does not open (name empty); 30 when the
// file is shorter than kMediaSniffBytes (name empty).
[[nodiscard]] int nameMediaFile(const std::string& path, std::int64_t& counter, std::string& name);

// Names a file held in memory as nameMediaFile does, sniffing at most its first
// kMediaBufferSniffBytes bytes. Returns 0.
[[nodiscard]] int
nameMediaBuffer(std::span<const std::uint8_t> bytes, std::int64_t& counter, std::string& name);

} // namespace catalogue
