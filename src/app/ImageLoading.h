// Decoding of preview pictures by their content: whatever Qt reads (JPEG, PNG, GIF, BMP...)
// and HEIF/AVIF through libheif, with limits that refuse absurd dimensions before any pixel
// buffer is allocated.
#pragma once

#include <cstdint>
#include <span>

#include <QImage>
#include <QString>

namespace app {

// The largest side and the largest pixel count a preview picture may have: 2^26 pixels are
// 256 MiB as 32-bit pixels, enough for a 48-megapixel photo or a long panorama.
inline constexpr int kMaxPreviewSide = 32767;
inline constexpr std::int64_t kMaxPreviewPixels = std::int64_t{1} << 26;

// True when `head` (the first bytes of a file) opens with an ISO-BMFF ftyp box whose major or
// compatible brands name a HEIF or AVIF still image (heic, heix, mif1, msf1, heim, heis, hevc,
// avif).
bool isHeifHeader(std::span<const std::uint8_t> head);

// True when `width` × `height` stays within kMaxPreviewSide and kMaxPreviewPixels.
bool previewSizeAllowed(std::int64_t width, std::int64_t height);

// Decodes the picture in the file `path` into `image`, choosing the decoder by content, not by
// the file name; a HEIF file yields its primary image with its rotation and mirroring applied.
// Returns 0; 87 when the file cannot be opened or decoded; -1005 (unsupported) when its
// declared dimensions exceed the limits above, checked before decoding. `image` is null on
// every failure.
[[nodiscard]] int loadPreviewImage(const QString& path, QImage& image);

} // namespace app
