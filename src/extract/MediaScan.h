// The categories that are plain files of the backup: Camera Roll, Photo Stream, Message
// Attachments, App Photos / App Videos and WhatsApp Attachments. Each walk goes once over the
// manifest, matches every entry's domain-and-path text against fixed markers, sniffs the
// content file's real type from its first bytes and records an item; nothing is copied.
#pragma once

#include "catalogue/BackupEngine.h"
#include "extract/Records.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace extract {

inline constexpr std::string_view kCameraRollMarker = "CameraRollDomain-Media/DCIM/";
inline constexpr std::string_view kPhotoStreamMarker = "MediaDomain-Media/PhotoStreamsData/";
inline constexpr std::string_view kAttachmentsMarker = "/Attachments/";
inline constexpr std::string_view kAppDomainMarker = "AppDomain-";
// Shared app-group containers, where current apps (WhatsApp among them) keep their media.
inline constexpr std::string_view kAppGroupDomainMarker = "AppDomainGroup-";
inline constexpr std::string_view kWhatsAppMarker = "net.whatsapp.WhatsApp";
// Longest app name kept; longer names are cut.
inline constexpr std::size_t kMaxAppNameBytes = 259;

// The part of `domainPath` after its last "/" (all of it when it has none).
std::string lastPathPart(std::string_view domainPath);

// The display name of an attachment or app file: lastPathPart with everything from its last
// "." cut off, then "." and `extension` upper-cased ("IMG_1.jpeg" sniffed as png gives
// "IMG_1.PNG"); ".JPG" when `extension` is empty.
std::string displayNameWithType(std::string_view domainPath, std::string_view extension);

// The app an app-domain file belongs to: the text between "com." (else "net.") and the next
// "-" after it ("AppDomain-com.example.app-Documents/a.jpg" gives "example.app"); "other"
// when there is no such text. Cut to kMaxAppNameBytes.
std::string appNameOf(std::string_view domainPath);

// Which preview list an extension (lower-case, without ".") belongs to.
enum class PreviewKind
{
    None,
    Image,
    Audio,
    Video
};

// Looks `extension` up in the image list, then the audio list, then the video list.
PreviewKind previewKindOf(std::string_view extension);

// The sniffed type of a content file: its extension (empty when unknown) and its size.
struct SniffedFile
{
    bool exists = false;
    std::string extension;
    std::uint64_t size = 0;
};

// Opens `path` once, sniffs its first bytes and reads its size.
SniffedFile sniffFile(const std::string& path);

// Walks the manifest for camera-roll and photo-stream files of a known media type and sorts
// each list by name. Reports engine progress base + 2·step·k/n after each entry whose file
// exists (k such entries so far of n entries), then advances the base by two steps. Returns
// 0, or the callback's non-zero answer, which ends the walk at once.
[[nodiscard]] int scanCameraRollAndPhotoStream(catalogue::BackupEngine& engine,
                                               std::vector<MediaItem>& cameraRoll,
                                               std::vector<MediaItem>& photoStream);

// Walks the manifest for message attachments: files under "/Attachments/" of a known type
// and a size above 0, sorted by name. Reports base + step·k/n as above, then advances the
// base by one step. Returns 0 or the callback's non-zero answer.
[[nodiscard]] int scanMessageAttachments(catalogue::BackupEngine& engine,
                                         std::vector<AttachmentItem>& attachments);

// Walks the manifest for files of app domains and app-group domains of a known type:
// WhatsApp's files of a size above 0 go to `whatsAppAttachments`, every other one (empty ones
// too) to `appMedia`; both sorted by name. Reports base + 2·step·(i+1)/n after every entry,
// then advances the base by one step. Returns 0 or the callback's non-zero answer.
[[nodiscard]] int scanAppMedia(catalogue::BackupEngine& engine,
                               std::vector<AppMediaItem>& appMedia,
                               std::vector<MediaItem>& whatsAppAttachments);

// Splits app media by the extension of its display name: images (and anything unknown) to
// `photos`, videos and audio to `videos`; each grouped by app name in the order of `appMedia`.
void splitAppMedia(const std::vector<AppMediaItem>& appMedia,
                   AppMediaGroups& photos,
                   AppMediaGroups& videos);

// Stable sort by name, compared without regard to ASCII case.
template <typename Item> void sortByName(std::vector<Item>& items);

} // namespace extract
