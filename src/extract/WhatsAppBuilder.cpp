// WhatsApp joins through indexes, and the chat text export.
#include "extract/WhatsAppBuilder.h"

#include "extract/AddressBookIndex.h"
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

// A chat as the messages of it see it: its partner and its members, comma-separated.
struct Session
{
    std::string partnerAddress;
    std::string partnerName;
    std::string memberNames;
    std::string memberAddresses;
};

// The sessions by id (the first row of each id), with the members of each added in row order.
std::unordered_map<std::int32_t, Session> sessionsById(const WhatsAppTables& tables)
{
    std::unordered_map<std::int32_t, std::vector<const sqlitecarve::GroupMemberRow*>> bySession;
    for (const sqlitecarve::GroupMemberRow& member : tables.members) {
        bySession[static_cast<std::int32_t>(member.chatSession)].push_back(&member);
    }
    std::unordered_map<std::int32_t, Session> sessions;
    for (const sqlitecarve::ChatSessionRow& row : tables.sessions) {
        const auto [entry, inserted] = sessions.try_emplace(static_cast<std::int32_t>(row.rowid));
        if (!inserted) {
            continue;
        }
        Session& session = entry->second;
        session.partnerAddress = row.contactJid;
        session.partnerName = row.partnerName;
        const auto found = bySession.find(entry->first);
        if (found == bySession.end()) {
            continue;
        }
        for (const sqlitecarve::GroupMemberRow* member : found->second) {
            if (session.memberAddresses.empty()) {
                session.memberAddresses = member->memberJid;
                session.memberNames = member->name;
                continue;
            }
            session.memberAddresses += "," + member->memberJid;
            if (!member->name.empty()) {
                session.memberNames += "," + member->name;
            }
        }
    }
    return sessions;
}

WhatsAppMessage recordOf(sqlitecarve::WhatsAppMessageRow&& row)
{
    WhatsAppMessage message;
    message.deleted = row.deleted ? 1 : 0;
    message.isFromMe = row.isFromMe ? 1 : 0;
    message.rowId = static_cast<std::int32_t>(row.rowid);
    message.sessionId = static_cast<std::int32_t>(row.chatSession);
    message.memberId = static_cast<std::int32_t>(row.groupMember);
    message.mediaId = static_cast<std::int32_t>(row.mediaItem);
    message.date = std::move(row.date);
    message.text = std::move(row.text);
    return message;
}

} // namespace

void joinWhatsApp(WhatsAppTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  WhatsAppMap& map)
{
    AddressBookIndex names(addressBook);
    const std::unordered_map<std::int32_t, Session> sessions = sessionsById(tables);
    std::unordered_map<std::int32_t, const sqlitecarve::GroupMemberRow*> memberById;
    for (const sqlitecarve::GroupMemberRow& member : tables.members) {
        memberById.try_emplace(static_cast<std::int32_t>(member.rowid), &member);
    }
    std::unordered_map<std::int32_t, const std::string*> mediaPathById;
    for (const sqlitecarve::MediaItemRow& media : tables.media) {
        mediaPathById.try_emplace(static_cast<std::int32_t>(media.rowid), &media.localPath);
    }
    std::vector<WhatsAppMessage> messages;
    messages.reserve(tables.messages.size());
    for (sqlitecarve::WhatsAppMessageRow& row : tables.messages) {
        WhatsAppMessage message = recordOf(std::move(row));
        if (const auto found = sessions.find(message.sessionId); found != sessions.end()) {
            const Session& session = found->second;
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
                if (const auto member = memberById.find(message.memberId);
                    member != memberById.end()) {
                    message.senderName = member->second->name;
                    message.senderAddress = member->second->memberJid;
                }
            }
        }
        if (message.isFromMe == 0 && message.senderName.empty() && !message.senderAddress.empty()) {
            message.senderName = names.nameOf(message.senderAddress);
        }
        if (message.mediaId != 0 && message.text.empty()) {
            if (const auto media = mediaPathById.find(message.mediaId);
                media != mediaPathById.end()) {
                message.text = *media->second;
            }
        }
        if (!message.text.empty()) {
            messages.push_back(std::move(message));
        }
    }
    std::stable_sort(
        messages.begin(), messages.end(), [](const WhatsAppMessage& a, const WhatsAppMessage& b) {
            return textLess(a.date, b.date);
        });
    for (WhatsAppMessage& message : messages) {
        map[message.sessionId].push_back(std::move(message));
    }
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
