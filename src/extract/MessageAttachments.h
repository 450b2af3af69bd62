// The attachments of the messages: attachment rows joined to their messages and mapped to the
// backup's copies of their files in the media domain.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace extract {

// The content file path of a backup file id; empty when the backup does not hold the file.
using ContentFileLookup = std::function<std::string(const std::string& fileId)>;

// The folder, beside an exported conversation page, that the copies of its attachments go to.
inline constexpr std::string_view kAttachmentCopyFolder = "Attachments";

// The attachments of one message.
struct AttachmentsOfMessage
{
    // The device path of its first attachment.
    const std::string* firstDevicePath = nullptr;
    std::vector<MessageAttachment> attachments;
};

// The media-domain path of an attachment's device path: the part from "Library/" on of a path
// beginning "~/", "/var/mobile/" or "/private/var/mobile/"; empty for any other path.
std::string mediaPathOf(std::string_view devicePath);

// The attachments of every message by the low 32 bits of its rowid: each attachment row, in
// row order and once per rowid, belongs to the message of the first join row naming it (rows
// without rowid and message 0 join nothing). Each gets its name, type, size, media path and,
// through `contentFile` (may be null: no paths) asked with its file id, its content file and
// copy path
// "Attachments/<message rowid>-<n>-<name>" with n counting from 1 within the message and the
// name reduced to letters, digits, non-ASCII text and "._-".
std::unordered_map<std::int32_t, AttachmentsOfMessage>
attachmentsByMessage(const std::vector<sqlitecarve::AttachmentRow>& attachments,
                     const std::vector<sqlitecarve::MessageAttachmentJoinRow>& joins,
                     const ContentFileLookup& contentFile);

} // namespace extract
