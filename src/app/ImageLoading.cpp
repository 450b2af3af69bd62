// Decoding of preview pictures by their content, with size limits checked before decoding.
#include "app/ImageLoading.h"

#include "platform/Status.h"

#include <array>
#include <libheif/heif.h>
#include <memory>
#include <string_view>

#include <QFile>
#include <QImageReader>

namespace app {

namespace {

// The bytes read to recognise a HEIF file: an ftyp box rarely lists more than a dozen brands.
constexpr qint64 kHeadBytes = 256;
constexpr int kBytesPerPixel = 4;
constexpr std::array<std::string_view, 8> kHeifBrands = {
    "heic", "heix", "mif1", "msf1", "heim", "heis", "hevc", "avif"};

std::uint32_t bigEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return (std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
           (std::uint32_t{bytes[at + 2]} << 8) | std::uint32_t{bytes[at + 3]};
}

bool isHeifBrand(std::span<const std::uint8_t> bytes, std::size_t at)
{
    const std::string_view brand(reinterpret_cast<const char*>(bytes.data() + at), 4);
    for (std::string_view known : kHeifBrands) {
        if (brand == known) {
            return true;
        }
    }
    return false;
}

struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};

struct HeifHandleRelease
{
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};

struct HeifImageRelease
{
    void operator()(const heif_image* image) const { heif_image_release(image); }
};

struct HeifOptionsFree
{
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// The status for a libheif failure: a broken security limit means the file declares
// dimensions or counts beyond what we accept.
int heifStatus(const heif_error& error)
{
    return error.subcode == heif_suberror_Security_limit_exceeded ? platform::kStatusUnsupported
                                                                  : platform::kStatusInvalid;
}

int loadHeifImage(const QString& path, QImage& image)
{
    const std::unique_ptr<heif_context, HeifContextFree> context(heif_context_alloc());
    if (!context) {
        return platform::kStatusInvalid;
    }
    heif_context_set_maximum_image_size_limit(context.get(), kMaxPreviewSide);
    const QByteArray name = QFile::encodeName(path);
    if (const heif_error error =
            heif_context_read_from_file(context.get(), name.constData(), nullptr);
        error.code != heif_error_Ok) {
        return heifStatus(error);
    }
    heif_image_handle* rawHandle = nullptr;
    if (const heif_error error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
        error.code != heif_error_Ok) {
        return heifStatus(error);
    }
    const std::unique_ptr<const heif_image_handle, HeifHandleRelease> handle(rawHandle);
    // The handle's size is the one after rotation; both orders are checked alike.
    if (!previewSizeAllowed(heif_image_handle_get_width(handle.get()),
                            heif_image_handle_get_height(handle.get())) ||
        !previewSizeAllowed(heif_image_handle_get_ispe_width(handle.get()),
                            heif_image_handle_get_ispe_height(handle.get()))) {
        return platform::kStatusUnsupported;
    }
    const std::unique_ptr<heif_decoding_options, HeifOptionsFree> options(
        heif_decoding_options_alloc());
    if (!options) {
        return platform::kStatusInvalid;
    }
    options->convert_hdr_to_8bit = 1;
    heif_image* rawImage = nullptr;
    if (const heif_error error = heif_decode_image(handle.get(),
                                                   &rawImage,
                                                   heif_colorspace_RGB,
                                                   heif_chroma_interleaved_RGBA,
                                                   options.get());
        error.code != heif_error_Ok) {
        return heifStatus(error);
    }
    const std::unique_ptr<const heif_image, HeifImageRelease> decoded(rawImage);
    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(decoded.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(decoded.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(decoded.get(), heif_channel_interleaved);
    if (plane == nullptr || width <= 0 || height <= 0 || !previewSizeAllowed(width, height) ||
        stride < width * kBytesPerPixel) {
        return platform::kStatusInvalid;
    }
    // The wrapper does not own the plane: copy it before libheif's image goes.
    image = QImage(plane, width, height, stride, QImage::Format_RGBA8888).copy();
    return image.isNull() ? platform::kStatusInvalid : platform::kStatusOk;
}

int loadQtImage(const QString& path, QImage& image)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    // Qt refuses to allocate more than this many MiB for one image.
    reader.setAllocationLimit(static_cast<int>(kMaxPreviewPixels * kBytesPerPixel / (1024 * 1024)));
    if (!reader.canRead()) {
        return platform::kStatusInvalid;
    }
    const QSize declared = reader.size();
    if (declared.isValid() && !previewSizeAllowed(declared.width(), declared.height())) {
        return platform::kStatusUnsupported;
    }
    if (!reader.read(&image) || image.isNull()) {
        image = QImage();
        return platform::kStatusInvalid;
    }
    return platform::kStatusOk;
}

} // namespace

bool isHeifHeader(std::span<const std::uint8_t> head)
{
    constexpr std::size_t kBrandsStart = 16;
    if (head.size() < kBrandsStart ||
        std::string_view(reinterpret_cast<const char*>(head.data() + 4), 4) != "ftyp") {
        return false;
    }
    // A size of 0 (to the end of the file), a 64-bit size or one beyond the bytes read: the
    // brands are looked for in the bytes at hand only.
    std::size_t boxSize = bigEndian32(head, 0);
    if (boxSize < kBrandsStart || boxSize > head.size()) {
        boxSize = head.size();
    }
    if (isHeifBrand(head, 8)) {
        return true;
    }
    for (std::size_t at = kBrandsStart; at + 4 <= boxSize; at += 4) {
        if (isHeifBrand(head, at)) {
            return true;
        }
    }
    return false;
}

bool previewSizeAllowed(std::int64_t width, std::int64_t height)
{
    return width > 0 && height > 0 && width <= kMaxPreviewSide && height <= kMaxPreviewSide &&
           width * height <= kMaxPreviewPixels;
}

int loadPreviewImage(const QString& path, QImage& image)
{
    image = QImage();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return platform::kStatusInvalid;
    }
    const QByteArray head = file.read(kHeadBytes);
    file.close();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.constData());
    if (isHeifHeader({bytes, static_cast<std::size_t>(head.size())})) {
        const int status = loadHeifImage(path, image);
        if (status != platform::kStatusOk) {
            image = QImage();
        }
        return status;
    }
    return loadQtImage(path, image);
}

} // namespace app
