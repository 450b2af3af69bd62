// WhatsApp joins through indexes, and the chat text export.
#include "extract/WhatsAppBuilder.h"

#include "extract/TextOrder.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>

namespace extract {

namespace {

constexpr std::string_view kMe = "Me";
constexpr std::uint32_t kFirstMemberId = 2;

void addMembersToSessions(std::vector<WhatsAppSession>& sessions,
                          const std::vector<WhatsAppGroupMember>& members)
{
    std::unordered_map<std::int32_t, std::vector<const WhatsAppGroupMember*>> bySession;
    for (const WhatsAppGroupMember& member : members) {
        bySession[member.sessionId].push_back(&member);
    }
    for (WhatsAppSession& session : sessions) {
        const auto found = bySession.find(session.id);
        if (found == bySession.end()) {
            continue;
        }
        for (const WhatsAppGroupMember* member : found->second) {
            if (session.memberAddresses.empty()) {
                session.memberAddresses = member->address;
                session.memberNames = member->name;
                continue;
            }
            session.memberAddresses += "," + member->address;
            if (!member->name.empty()) {
                session.memberNames += "," + member->name;
            }
        }
    }
}

} // namespace

void joinWhatsApp(WhatsAppTables& tables, WhatsAppMap& map)
{
    addMembersToSessions(tables.sessions, tables.members);
    std::unordered_map<std::int32_t, const WhatsAppSession*> sessionById;
    for (const WhatsAppSession& session : tables.sessions) {
        sessionById.try_emplace(session.id, &session);
    }
    std::unordered_map<std::int32_t, const WhatsAppGroupMember*> memberById;
    for (const WhatsAppGroupMember& member : tables.members) {
        memberById.try_emplace(member.id, &member);
    }
    std::unordered_map<std::int32_t, const WhatsAppMediaRef*> mediaById;
    for (const WhatsAppMediaRef& media : tables.media) {
        mediaById.try_emplace(media.id, &media);
    }
    for (WhatsAppMessage& message : tables.messages) {
        const auto found = sessionById.find(message.sessionId);
        if (found == sessionById.end()) {
            continue;
        }
        const WhatsAppSession& session = *found->second;
        message.senderAddress = session.partnerAddress;
        message.senderName = session.partnerName;
        message.sessionName = session.partnerName;
        message.sessionMembers =
            session.memberNames.empty() ? session.partnerName : session.memberNames;
        message.sessionAddresses =
            session.memberAddresses.empty() ? session.partnerAddress : session.memberAddresses;
        if (message.isFromMe != 0) {
            message.senderName = kMe;
            message.senderAddress.clear();
        } else if (static_cast<std::uint32_t>(message.memberId) >= kFirstMemberId) {
            if (const auto member = memberById.find(message.memberId); member != memberById.end()) {
                message.senderName = member->second->name;
                message.senderAddress = member->second->address;
            }
        }
    }
    for (WhatsAppMessage& message : tables.messages) {
        if (message.mediaId != 0 && message.text.empty()) {
            if (const auto media = mediaById.find(message.mediaId); media != mediaById.end()) {
                message.text = media->second->localPath;
            }
        }
    }
    std::erase_if(tables.messages, [](const WhatsAppMessage& m) { return m.text.empty(); });
    std::stable_sort(tables.messages.begin(),
                     tables.messages.end(),
                     [](const WhatsAppMessage& a, const WhatsAppMessage& b) {
                         return textLess(a.date, b.date);
                     });
    for (WhatsAppMessage& message : tables.messages) {
        map[message.sessionId].push_back(std::move(message));
    }
    tables.messages.clear();
}

int writeWhatsAppChatText(const WhatsAppMap& map,
                          std::int32_t sessionId,
                          const std::string& path,
                          ProgressCallback callback,
                          void* userData)
{
    const auto report = [&](int percent, int status) {
        return callback != nullptr ? callback(userData, percent, status, path) : 0;
    };
    const std::filesystem::path parent = platform::pathFromUtf8(path).parent_path();
    int status = parent.empty() ? 0 : platform::createFolders(platform::pathToUtf8(parent));
    platform::File file;
    if (status == 0) {
        status = file.createWrite(path);
    }
    if (status == 0) {
        status = file.writeAll("\xEF\xBB\xBF", 3);
    }
    const auto chat = map.find(sessionId);
    if (status == 0 && chat != map.end()) {
        const std::vector<WhatsAppMessage>& messages = chat->second;
        for (std::size_t i = 0; i < messages.size() && status == 0; ++i) {
            const WhatsAppMessage& message = messages[i];
            std::string sender = message.senderName;
            if (message.isFromMe != 0) {
                sender = kMe;
            } else if (sender.empty() || sender == "Unknown") {
                sender = message.senderAddress;
            }
            const std::string block =
                message.date + " " + sender + ":\r\n    " + message.text + "\r\n\r\n";
            status = file.writeAll(block.data(), block.size());
            if (status == 0) {
                status = report(static_cast<int>((i + 1) * 100 / messages.size()), 0);
            }
        }
    }
    if (status > 0) {
        report(100, status);
    }
    return status;
}

} // namespace extract
