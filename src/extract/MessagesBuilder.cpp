// Joins of the messages category through indexes built once per scan.
#include "extract/MessagesBuilder.h"

#include "extract/AddressBookIndex.h"
#include "extract/TextOrder.h"

#include <algorithm>
#include <unordered_map>

namespace extract {

void joinMessages(MessageTables& tables,
                  const std::vector<ContactRecord>& addressBook,
                  MessageMap& map)
{
    // The first join row of each attachment, in row order.
    std::unordered_map<std::int32_t, std::int32_t> messageOfAttachment;
    for (const MessageAttachmentJoinRow& join : tables.joins) {
        messageOfAttachment.try_emplace(join.attachmentId, join.messageId);
    }
    std::unordered_map<std::int32_t, const AttachmentRow*> firstAttachmentOfMessage;
    for (AttachmentRow& attachment : tables.attachments) {
        const auto found = messageOfAttachment.find(attachment.rowId);
        attachment.messageId = found != messageOfAttachment.end() ? found->second : 0;
        if (attachment.messageId != 0) {
            firstAttachmentOfMessage.try_emplace(attachment.messageId, &attachment);
        }
    }
    std::unordered_map<std::int32_t, const HandleRow*> handleById;
    for (const HandleRow& handle : tables.handles) {
        if (handle.rowId != 0) {
            handleById.try_emplace(handle.rowId, &handle);
        }
    }
    AddressBookIndex names(addressBook);
    for (MessageRecord& message : tables.messages) {
        message.address.clear();
        message.contactName.clear();
        if (const auto handle = handleById.find(message.handleId); handle != handleById.end()) {
            message.address = handle->second->address;
        }
        if (!message.address.empty()) {
            message.contactName = names.nameContaining(message.address);
        }
        if (message.rowId != 0) {
            if (const auto attachment = firstAttachmentOfMessage.find(message.rowId);
                attachment != firstAttachmentOfMessage.end()) {
                message.attachmentName = attachment->second->fileName;
            }
        }
    }
    // Sort positions rather than the records themselves: a record is many strings to move.
    std::vector<std::size_t> order(tables.messages.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return textLess(tables.messages[a].date, tables.messages[b].date);
    });
    for (const std::size_t index : order) {
        MessageRecord& message = tables.messages[index];
        map[message.handleId].push_back(std::move(message));
    }
    tables.messages.clear();
}

std::vector<ConversationSummary> buildConversationList(const MessageMap& map)
{
    std::vector<ConversationSummary> list;
    list.reserve(map.size());
    for (const auto& [handleId, messages] : map) {
        if (messages.empty()) {
            continue;
        }
        ConversationSummary summary = messages.back();
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
