// Joins attachment rows to their messages and finds their files in the backup.
#include "extract/MessageAttachments.h"

#include "formats/FileId.h"
#include "platform/SafeName.h"

#include <array>

namespace extract {

namespace {

constexpr std::string_view kMediaDomain = "MediaDomain";

// The last part of a device path.
std::string lastPart(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

MessageAttachment attachmentOf(const sqlitecarve::AttachmentRow& row)
{
    MessageAttachment attachment;
    attachment.name = row.transferName.empty() ? lastPart(row.fileName) : row.transferName;
    attachment.mimeType = row.mimeType;
    attachment.size = row.totalBytes;
    attachment.relativePath = mediaPathOf(row.fileName);
    return attachment;
}

} // namespace

std::string mediaPathOf(std::string_view devicePath)
{
    constexpr std::array<std::string_view, 3> kHomes = {
        "~/", "/var/mobile/", "/private/var/mobile/"};
    for (const std::string_view home : kHomes) {
        if (devicePath.substr(0, home.size()) == home) {
            const std::string_view rest = devicePath.substr(home.size());
            if (rest.substr(0, 8) == "Library/") {
                return std::string(rest);
            }
        }
    }
    return {};
}

std::unordered_map<std::int32_t, AttachmentsOfMessage>
attachmentsByMessage(const std::vector<sqlitecarve::AttachmentRow>& attachments,
                     const std::vector<sqlitecarve::MessageAttachmentJoinRow>& joins,
                     const ContentFileLookup& contentFile)
{
    std::unordered_map<std::int32_t, std::int32_t> messageOfAttachment;
    for (const sqlitecarve::MessageAttachmentJoinRow& join : joins) {
        messageOfAttachment.try_emplace(static_cast<std::int32_t>(join.attachmentId),
                                        static_cast<std::int32_t>(join.messageId));
    }
    std::unordered_map<std::int32_t, AttachmentsOfMessage> byMessage;
    for (const sqlitecarve::AttachmentRow& row : attachments) {
        const auto id = static_cast<std::int32_t>(row.rowid);
        const auto found = id == 0 ? messageOfAttachment.end() : messageOfAttachment.find(id);
        if (found == messageOfAttachment.end() || found->second == 0) {
            continue;
        }
        const std::int32_t messageId = found->second;
        // Each attachment once: a recovered copy of a row already joined is left out.
        messageOfAttachment.erase(found);
        AttachmentsOfMessage& files = byMessage[messageId];
        if (files.firstDevicePath == nullptr) {
            files.firstDevicePath = &row.fileName;
        }
        MessageAttachment attachment = attachmentOf(row);
        if (contentFile && !attachment.relativePath.empty()) {
            if (const std::string fileId = formats::fileId(kMediaDomain, attachment.relativePath);
                !fileId.empty()) {
                attachment.path = contentFile(fileId);
            }
        }
        if (!attachment.path.empty()) {
            attachment.copyPath = std::string(kAttachmentCopyFolder) + "/" +
                                  std::to_string(messageId) + "-" +
                                  std::to_string(files.attachments.size() + 1) + "-" +
                                  platform::safeName(attachment.name);
        }
        files.attachments.push_back(std::move(attachment));
    }
    return byMessage;
}

} // namespace extract
