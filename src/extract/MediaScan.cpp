// The manifest walks of the file categories and the app-media split.
#include "extract/MediaScan.h"

#include "catalogue/MediaType.h"
#include "extract/TextOrder.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace extract {

namespace {

// The last four are what current iPhones and apps write; the preview decodes them too.
constexpr std::array<std::string_view, 44> kImageExtensions = {
    "bmp", "gif", "jpg", "jpeg", "png", "psd", "tif", "tiff", "pcx",  "scr",  "ico",
    "nef", "nrw", "crw", "cr2",  "sr2", "arw", "srf", "divu", "pgm",  "k25",  "kdc",
    "dcr", "raf", "iff", "pbm",  "mef", "jp2", "mos", "x3f",  "orf",  "erf",  "indd",
    "pef", "psp", "mrw", "dng",  "raw", "pct", "tga", "heic", "heif", "avif", "webp"};
constexpr std::array<std::string_view, 21> kAudioExtensions = {
    "mp3", "wav", "aiff", "rps", "mid", "midi", "m4a", "m4p", "au",  "ogg", "wma",
    "rm",  "ra",  "acd",  "amr", "at3", "caf",  "dss", "m4r", "nra", "snd"};
constexpr std::array<std::string_view, 33> kVideoExtensions = {
    "rmvb", "rm",  "mpeg", "mov", "avi", "wmv", "asf", "mp4",   "flv",  "fla", "swf",
    "ape",  "m4v", "3gp",  "dv",  "3g2", "m4b", "mkv", "mts",   "divx", "ogm", "moi",
    "vob",  "ajp", "f4v",  "mqv", "svi", "vid", "tod", "hdmov", "mod",  "m2t", "lrv"};

template <std::size_t N>
bool listHas(const std::array<std::string_view, N>& list, std::string_view extension)
{
    return std::find(list.begin(), list.end(), extension) != list.end();
}

bool contains(std::string_view text, std::string_view marker)
{
    return text.find(marker) != std::string_view::npos;
}

int reportAt(catalogue::BackupEngine& engine, std::int64_t share, std::size_t k, std::size_t n)
{
    const std::int64_t value =
        engine.progress() + share * static_cast<std::int64_t>(k) / static_cast<std::int64_t>(n);
    return engine.reportProgress(static_cast<int>(value));
}

int finishWalk(catalogue::BackupEngine& engine, int shares, int status)
{
    engine.setProgress(engine.progress() + shares * engine.progressStep());
    const int answer = engine.reportProgress(engine.progress());
    return status != 0 ? status : answer;
}

} // namespace

template <typename Item> void sortByName(std::vector<Item>& items)
{
    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
        return textLess(a.name, b.name);
    });
}

template void sortByName<MediaItem>(std::vector<MediaItem>&);
template void sortByName<AppMediaItem>(std::vector<AppMediaItem>&);
template void sortByName<AttachmentItem>(std::vector<AttachmentItem>&);

std::string lastPathPart(std::string_view domainPath)
{
    const std::size_t slash = domainPath.rfind('/');
    return std::string(slash == std::string_view::npos ? domainPath : domainPath.substr(slash + 1));
}

std::string displayNameWithType(std::string_view domainPath, std::string_view extension)
{
    std::string name = lastPathPart(domainPath);
    if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) {
        name.erase(dot);
    }
    if (extension.empty()) {
        return name + ".JPG";
    }
    name += '.';
    for (const char c : extension) {
        name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return name;
}

std::string appNameOf(std::string_view domainPath)
{
    std::size_t start = domainPath.find("com.");
    if (start == std::string_view::npos) {
        start = domainPath.find("net.");
    }
    if (start == std::string_view::npos) {
        return "other";
    }
    const std::size_t dash = domainPath.find('-', start + 1);
    if (dash == std::string_view::npos || dash < start + 4) {
        return "other";
    }
    std::string name(domainPath.substr(start + 4, dash - (start + 4)));
    if (name.size() > kMaxAppNameBytes) {
        name.resize(kMaxAppNameBytes);
    }
    return name;
}

PreviewKind previewKindOf(std::string_view extension)
{
    if (listHas(kImageExtensions, extension)) {
        return PreviewKind::Image;
    }
    if (listHas(kAudioExtensions, extension)) {
        return PreviewKind::Audio;
    }
    if (listHas(kVideoExtensions, extension)) {
        return PreviewKind::Video;
    }
    return PreviewKind::None;
}

SniffedFile sniffFile(const std::string& path)
{
    SniffedFile result;
    platform::File file;
    if (path.empty() || file.openRead(path) != platform::kStatusOk) {
        return result;
    }
    result.exists = true;
    if (file.size(result.size) != platform::kStatusOk) {
        result.size = 0;
    }
    std::array<std::uint8_t, catalogue::kMediaSniffBytes> head{};
    std::size_t got = 0;
    if (file.readAt(0, head.data(), head.size(), got) != platform::kStatusOk || got < head.size()) {
        return result;
    }
    result.extension = std::string(catalogue::mediaExtension(catalogue::sniffMediaType(head)));
    return result;
}

int scanCameraRollAndPhotoStream(catalogue::BackupEngine& engine,
                                 std::vector<MediaItem>& cameraRoll,
                                 std::vector<MediaItem>& photoStream)
{
    const auto& manifest = engine.manifest();
    const std::int64_t share = 2 * static_cast<std::int64_t>(engine.progressStep());
    std::size_t reports = 0;
    int status = 0;
    for (const catalogue::ManifestEntry& entry : manifest) {
        const bool isCameraRoll = contains(entry.domainPath, kCameraRollMarker);
        if (!isCameraRoll && !contains(entry.domainPath, kPhotoStreamMarker)) {
            continue;
        }
        const std::string path = engine.filePath(entry.fileId);
        const SniffedFile sniffed = sniffFile(path);
        if (!sniffed.exists) {
            continue;
        }
        if (!sniffed.extension.empty()) {
            MediaItem item{sniffed.size, lastPathPart(entry.domainPath), path};
            (isCameraRoll ? cameraRoll : photoStream).push_back(std::move(item));
        }
        status = reportAt(engine, share, ++reports, manifest.size());
        if (status != 0) {
            break;
        }
    }
    sortByName(cameraRoll);
    sortByName(photoStream);
    return status != 0 ? status : finishWalk(engine, 2, 0);
}

int scanMessageAttachments(catalogue::BackupEngine& engine,
                           std::vector<AttachmentItem>& attachments)
{
    const auto& manifest = engine.manifest();
    const std::int64_t share = engine.progressStep();
    std::size_t reports = 0;
    int status = 0;
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (!contains(entry.domainPath, kAttachmentsMarker)) {
            continue;
        }
        const std::string path = engine.filePath(entry.fileId);
        const SniffedFile sniffed = sniffFile(path);
        if (!sniffed.exists) {
            continue;
        }
        if (!sniffed.extension.empty() && sniffed.size != 0) {
            attachments.push_back(
                {0, sniffed.size, displayNameWithType(entry.domainPath, sniffed.extension), path});
        }
        status = reportAt(engine, share, ++reports, manifest.size());
        if (status != 0) {
            break;
        }
    }
    sortByName(attachments);
    return status != 0 ? status : finishWalk(engine, 1, 0);
}

int scanAppMedia(catalogue::BackupEngine& engine,
                 std::vector<AppMediaItem>& appMedia,
                 std::vector<MediaItem>& whatsAppAttachments)
{
    whatsAppAttachments.clear();
    const auto& manifest = engine.manifest();
    const std::int64_t share = 2 * static_cast<std::int64_t>(engine.progressStep());
    int status = 0;
    for (std::size_t i = 0; i < manifest.size(); ++i) {
        const catalogue::ManifestEntry& entry = manifest[i];
        if (contains(entry.domainPath, kAppDomainMarker) ||
            contains(entry.domainPath, kAppGroupDomainMarker)) {
            const std::string path = engine.filePath(entry.fileId);
            const SniffedFile sniffed = sniffFile(path);
            if (!sniffed.extension.empty()) {
                std::string name = displayNameWithType(entry.domainPath, sniffed.extension);
                if (contains(entry.domainPath, kWhatsAppMarker)) {
                    if (sniffed.size != 0) {
                        whatsAppAttachments.push_back({sniffed.size, std::move(name), path});
                    }
                } else {
                    appMedia.push_back(
                        {sniffed.size, appNameOf(entry.domainPath), std::move(name), path});
                }
            }
        }
        status = reportAt(engine, share, i + 1, manifest.size());
        if (status != 0) {
            break;
        }
    }
    sortByName(appMedia);
    sortByName(whatsAppAttachments);
    return status != 0 ? status : finishWalk(engine, 1, 0);
}

void splitAppMedia(const std::vector<AppMediaItem>& appMedia,
                   AppMediaGroups& photos,
                   AppMediaGroups& videos)
{
    for (const AppMediaItem& item : appMedia) {
        std::string extension;
        if (const std::size_t dot = item.name.rfind('.'); dot != std::string::npos) {
            extension = platform::asciiLower(std::string_view(item.name).substr(dot + 1));
        }
        const PreviewKind kind = previewKindOf(extension);
        const bool isVideo = kind == PreviewKind::Audio || kind == PreviewKind::Video;
        (isVideo ? videos : photos)[item.app].push_back(item);
    }
}

} // namespace extract
