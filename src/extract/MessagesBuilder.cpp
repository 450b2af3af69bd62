// Joins of the messages category through indexes built once per scan.
#include "extract/MessagesBuilder.h"

#include "extract/AddressBookIndex.h"
#include "extract/MessageAttachments.h"
#include "extract/MessageReactions.h"
#include "extract/MessageSummary.h"
#include "extract/TextOrder.h"
#include "formats/Typedstream.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>
#include <span>
#include <unordered_map>

namespace extract {

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& blob)
{
    return {reinterpret_cast<const std::uint8_t*>(blob.data()), blob.size()};
}

// The text of an archived body, read strictly or, for a damaged archive, by search; empty
// when it cannot be read.
std::string archivedText(const std::string& blob)
{
    std::string text;
    formats::BodyTextOrigin origin = formats::BodyTextOrigin::Archive;
    if (formats::readAttributedBodyText(bytesOf(blob), text, origin) != 0) {
        text.clear();
    }
    return text;
}

// Gives a row without plain text the text of its archived body.
void fillBody(sqlitecarve::MessageRow& row)
{
    if (row.text.empty() && !row.attributedBody.empty()) {
        row.text = archivedText(row.attributedBody);
        row.attributedBody = std::string();
    }
}

MessageRecord recordOf(sqlitecarve::MessageRow&& row)
{
    MessageRecord message;
    message.deleted = row.deleted ? 1 : 0;
    message.isFromMe = row.isFromMe ? 1 : 0;
    message.rowId = static_cast<std::int32_t>(row.rowid);
    message.handleId = static_cast<std::int32_t>(row.handleId);
    message.date = std::move(row.date);
    message.text = std::move(row.text);
    message.service = std::move(row.service);
    return message;
}

// The messages in the device's own trash with their chats, from live rows of the trash join
// and of the removed parts, and the text of each such message's parts in part order.
struct Trash
{
    std::unordered_map<std::int32_t, std::int32_t> chatOfMessage;
    std::unordered_map<std::int32_t, std::map<std::int64_t, std::string>> partsOfMessage;
};

Trash trashOf(const MessageTables& tables)
{
    Trash trash;
    for (const sqlitecarve::ChatJoinRow& join : tables.recoverableMessages) {
        if (!join.deleted && join.memberId != 0) {
            trash.chatOfMessage.try_emplace(static_cast<std::int32_t>(join.memberId),
                                            static_cast<std::int32_t>(join.chatId));
        }
    }
    for (const sqlitecarve::RecoverablePartRow& part : tables.recoverableParts) {
        if (!part.deleted && part.messageId != 0) {
            const auto message = static_cast<std::int32_t>(part.messageId);
            trash.chatOfMessage.try_emplace(message, static_cast<std::int32_t>(part.chatId));
            trash.partsOfMessage[message].try_emplace(part.partIndex, archivedText(part.partText));
        }
    }
    return trash;
}

// Edits and unsending of a row, from its edit and unsend dates and its summary.
struct Changes
{
    bool edited = false;
    bool unsent = false;
    MessageSummary summary;
};

Changes changesOf(const sqlitecarve::MessageRowDetail* detail)
{
    Changes changes;
    if (detail == nullptr) {
        return changes;
    }
    // A summary that cannot be read adds nothing to what the dates say.
    if (!detail->summaryInfo.empty() &&
        readMessageSummary(bytesOf(detail->summaryInfo), changes.summary) != 0) {
        changes.summary = MessageSummary{};
    }
    const MessageSummary& summary = changes.summary;
    changes.edited = detail->edited || !summary.earlier.empty();
    changes.unsent =
        detail->retracted || (summary.partCount != 0 && summary.unsentParts >= summary.partCount);
    return changes;
}

// `chat.style` of a group chat; one-to-one chats have 45.
constexpr std::int64_t kGroupStyle = 43;

// The members of each chat and the chat of each message, from live join rows.
// Recovered join rows are left out: a carved join row is too short to be told from noise.
struct ChatIndex
{
    std::unordered_map<std::int32_t, std::vector<std::int32_t>> members;
    std::unordered_map<std::int32_t, std::int32_t> chatOfMessage;
};

ChatIndex indexChats(const MessageTables& tables, const Trash& trash)
{
    ChatIndex index;
    for (const sqlitecarve::ChatJoinRow& join : tables.chatHandles) {
        if (!join.deleted) {
            std::vector<std::int32_t>& members =
                index.members[static_cast<std::int32_t>(join.chatId)];
            const auto handle = static_cast<std::int32_t>(join.memberId);
            if (std::find(members.begin(), members.end(), handle) == members.end()) {
                members.push_back(handle);
            }
        }
    }
    for (const sqlitecarve::ChatJoinRow& join : tables.chatMessages) {
        if (!join.deleted) {
            index.chatOfMessage.try_emplace(static_cast<std::int32_t>(join.memberId),
                                            static_cast<std::int32_t>(join.chatId));
        }
    }
    // A message in the trash has left its chat's join but still belongs to the chat.
    for (const auto& [message, chat] : trash.chatOfMessage) {
        index.chatOfMessage.try_emplace(message, chat);
    }
    return index;
}

// The conversations: each message's key, and one shared description per key.
class Conversations
{
public:
    Conversations(const MessageTables& tables,
                  const Trash& trash,
                  const std::unordered_map<std::int32_t, const std::string*>& addressOfHandle,
                  AddressBookIndex& names)
        : m_index(indexChats(tables, trash))
        , m_addressOfHandle(addressOfHandle)
        , m_names(names)
    {
        // The first row of each chat id counts: live rows come before recovered ones. Ids
        // that do not fit a positive key (a row recovered without rowid) are no chat.
        const std::vector<std::int32_t> noMembers;
        for (const sqlitecarve::ChatRow& chat : tables.chats) {
            if (chat.rowid <= 0 || chat.rowid > std::numeric_limits<std::int32_t>::max()) {
                continue;
            }
            const auto id = static_cast<std::int32_t>(chat.rowid);
            const auto found = m_index.members.find(id);
            const std::vector<std::int32_t>& members =
                found == m_index.members.end() ? noMembers : found->second;
            if (m_keyOfChat.count(id) != 0) {
                continue;
            }
            if (chat.style == kGroupStyle || members.size() > 1) {
                m_keyOfChat.try_emplace(id, -id);
                m_infos.try_emplace(-id, groupInfo(chat, members));
            } else if (members.size() == 1 && members.front() != 0) {
                m_keyOfChat.try_emplace(id, members.front());
                m_identifierOfKey.try_emplace(members.front(), chat.chatIdentifier);
            }
        }
    }

    // The key of the conversation of `message`: its chat's, else its handle id.
    std::int32_t keyOf(const MessageRecord& message) const
    {
        if (message.rowId != 0) {
            if (const auto chat = m_index.chatOfMessage.find(message.rowId);
                chat != m_index.chatOfMessage.end()) {
                if (const auto key = m_keyOfChat.find(chat->second); key != m_keyOfChat.end()) {
                    return key->second;
                }
            }
        }
        return message.handleId;
    }

    // The description of conversation `key`; a one-to-one conversation is described by the
    // handle it is keyed by.
    std::shared_ptr<const ConversationInfo> infoOf(std::int32_t key)
    {
        auto [entry, inserted] = m_infos.try_emplace(key);
        if (inserted) {
            auto info = std::make_shared<ConversationInfo>();
            info->participants.push_back(addressOf(key));
            info->name = nameOf(info->participants.front());
            if (info->participants.front().empty()) {
                info->participants.clear();
            }
            if (const auto identifier = m_identifierOfKey.find(key);
                identifier != m_identifierOfKey.end()) {
                info->chatIdentifier = identifier->second;
            }
            entry->second = std::move(info);
        }
        return entry->second;
    }

private:
    std::string addressOf(std::int32_t handle) const
    {
        const auto found = handle == 0 ? m_addressOfHandle.end() : m_addressOfHandle.find(handle);
        return found == m_addressOfHandle.end() ? std::string() : *found->second;
    }

    // The contact name of `address`, else the address itself.
    std::string nameOf(const std::string& address)
    {
        const std::string& name = address.empty() ? address : m_names.nameOf(address);
        return name.empty() ? address : name;
    }

    std::shared_ptr<const ConversationInfo> groupInfo(const sqlitecarve::ChatRow& chat,
                                                      const std::vector<std::int32_t>& members)
    {
        auto info = std::make_shared<ConversationInfo>();
        info->isGroup = true;
        info->chatIdentifier = chat.chatIdentifier;
        for (const std::int32_t member : members) {
            if (std::string address = addressOf(member); !address.empty()) {
                info->participants.push_back(std::move(address));
            }
        }
        info->name = chat.displayName;
        if (info->name.empty()) {
            for (const std::string& address : info->participants) {
                info->name += (info->name.empty() ? "" : ", ") + nameOf(address);
            }
        }
        return info;
    }

    ChatIndex m_index;
    const std::unordered_map<std::int32_t, const std::string*>& m_addressOfHandle;
    AddressBookIndex& m_names;
    std::unordered_map<std::int32_t, std::int32_t> m_keyOfChat;
    std::unordered_map<std::int32_t, std::string> m_identifierOfKey;
    std::unordered_map<std::int32_t, std::shared_ptr<const ConversationInfo>> m_infos;
};

} // namespace

std::string_view deletedSourceOf(const MessageRecord& message)
{
    if (message.deleted == 0) {
        return {};
    }
    const bool trash = message.details != nullptr && message.details->recentlyDeleted;
    return trash ? "recentlyDeleted" : "freeSpace";
}

std::string senderOf(const MessageRecord& message)
{
    if (message.isFromMe != 0) {
        return "Me";
    }
    return message.contactName.empty() ? message.address : message.contactName;
}

namespace {

// The reaction rows of `tables`, live ones only (a carved reaction may be one its sender took
// back), with their senders named as message senders are.
std::vector<ReactionEvent>
reactionEvents(const MessageTables& tables,
               const std::unordered_map<std::int32_t, const std::string*>& addressOfHandle,
               AddressBookIndex& names)
{
    std::vector<ReactionEvent> events;
    for (const sqlitecarve::MessageRow& row : tables.messages) {
        if (row.detail == nullptr || row.deleted || !isReactionType(row.detail->associatedType)) {
            continue;
        }
        ReactionEvent event;
        event.target = reactionTargetKey(row.detail->associatedGuid);
        event.type = row.detail->associatedType;
        event.senderKey = row.isFromMe ? -1 : row.handleId;
        event.emoji = row.detail->emoji;
        event.date = row.date;
        MessageRecord sender;
        sender.isFromMe = row.isFromMe ? 1 : 0;
        if (const auto handle = addressOfHandle.find(static_cast<std::int32_t>(row.handleId));
            row.handleId != 0 && handle != addressOfHandle.end()) {
            sender.address = *handle->second;
            sender.contactName = names.nameOf(sender.address);
        }
        event.sender = senderOf(sender);
        events.push_back(std::move(event));
    }
    return events;
}

// What a message holds besides its body, or null when it holds nothing of it.
std::shared_ptr<const MessageDetails> detailsOf(const AttachmentsOfMessage* files,
                                                const std::vector<MessageReaction>* reactions,
                                                Changes& changes,
                                                bool inTrash)
{
    if (files == nullptr && reactions == nullptr && !changes.edited && !changes.unsent &&
        changes.summary.earlier.empty() && !inTrash) {
        return nullptr;
    }
    auto details = std::make_shared<MessageDetails>();
    if (files != nullptr) {
        details->attachments = files->attachments;
    }
    if (reactions != nullptr) {
        details->reactions = *reactions;
    }
    details->edits = std::move(changes.summary.earlier);
    details->edited = changes.edited;
    details->unsent = changes.unsent;
    details->recentlyDeleted = inTrash;
    return details;
}

// The text of a message in the trash whose own row lost it: its removed parts' texts.
std::string partsText(const Trash& trash, std::int32_t rowId)
{
    std::string text;
    if (const auto parts = trash.partsOfMessage.find(rowId); parts != trash.partsOfMessage.end()) {
        for (const auto& [index, part] : parts->second) {
            text += part;
        }
    }
    return text;
}

} // namespace

void joinMessages(MessageTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  MessageMap& map)
{
    const auto attachments =
        attachmentsByMessage(tables.attachments, tables.joins, tables.contentFile);
    std::unordered_map<std::int32_t, const std::string*> addressOfHandle;
    for (const sqlitecarve::HandleRow& handle : tables.handles) {
        if (const auto id = static_cast<std::int32_t>(handle.rowid); id != 0) {
            addressOfHandle.try_emplace(id, &handle.address);
        }
    }
    AddressBookIndex names(addressBook);
    const Trash trash = trashOf(tables);
    Conversations conversations(tables, trash, addressOfHandle, names);
    const auto reactions = standingReactions(reactionEvents(tables, addressOfHandle, names));
    std::vector<MessageRecord> messages;
    std::vector<std::int32_t> keys;
    messages.reserve(tables.messages.size());
    keys.reserve(tables.messages.size());
    for (sqlitecarve::MessageRow& row : tables.messages) {
        if (row.detail != nullptr && isReactionType(row.detail->associatedType)) {
            continue;
        }
        fillBody(row);
        Changes changes = changesOf(row.detail.get());
        if (row.text.empty()) {
            row.text = std::move(changes.summary.latest);
        }
        const auto rowId = static_cast<std::int32_t>(row.rowid);
        const bool inTrash = !row.deleted && rowId != 0 && trash.chatOfMessage.count(rowId) != 0;
        if (inTrash && row.text.empty()) {
            row.text = partsText(trash, rowId);
        }
        if (changes.unsent) {
            row.text.clear();
        } else if (row.text.empty()) {
            continue;
        }
        const std::uint64_t guidKey = row.guidKey;
        MessageRecord message = recordOf(std::move(row));
        message.deleted = inTrash ? 1 : message.deleted;
        if (const auto handle = addressOfHandle.find(message.handleId);
            handle != addressOfHandle.end()) {
            message.address = *handle->second;
        }
        if (!message.address.empty()) {
            message.contactName = names.nameOf(message.address);
        }
        const AttachmentsOfMessage* files = nullptr;
        if (const auto found =
                message.rowId == 0 ? attachments.end() : attachments.find(message.rowId);
            found != attachments.end()) {
            files = &found->second;
            message.attachmentName = *files->firstDevicePath;
        }
        const auto reacted = guidKey == 0 ? reactions.end() : reactions.find(guidKey);
        message.details = detailsOf(
            files, reacted == reactions.end() ? nullptr : &reacted->second, changes, inTrash);
        keys.push_back(conversations.keyOf(message));
        message.conversation = conversations.infoOf(keys.back());
        messages.push_back(std::move(message));
    }
    // Sort positions rather than the records themselves: a record is many strings to move.
    std::vector<std::size_t> order(messages.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return textLess(messages[a].date, messages[b].date);
    });
    for (const std::size_t index : order) {
        map[keys[index]].push_back(std::move(messages[index]));
    }
}

std::vector<ConversationSummary> buildConversationList(const MessageMap& map)
{
    std::vector<ConversationSummary> list;
    list.reserve(map.size());
    for (const auto& [key, messages] : map) {
        if (messages.empty()) {
            continue;
        }
        ConversationSummary summary = messages.back();
        summary.handleId = key;
        summary.deleted = std::any_of(messages.begin(),
                                      messages.end(),
                                      [](const MessageRecord& m) { return m.deleted != 0; })
                              ? 1
                              : 0;
        list.push_back(std::move(summary));
    }
    std::stable_sort(
        list.begin(), list.end(), [](const ConversationSummary& a, const ConversationSummary& b) {
            return a.deleted > b.deleted;
        });
    return list;
}

} // namespace extract
