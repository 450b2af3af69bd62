// Joins of the messages category through indexes built once per scan.
#include "extract/MessagesBuilder.h"

#include "extract/AddressBookIndex.h"
#include "extract/TextOrder.h"
#include "formats/Typedstream.h"

#include <algorithm>
#include <unordered_map>

namespace extract {

namespace {

// Gives a row without plain text the text of its archived body, read strictly or, for a
// damaged archive, by search. False when there is no body to show.
bool fillBody(sqlitecarve::MessageRow& row)
{
    if (row.text.empty() && !row.attributedBody.empty()) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(row.attributedBody.data());
        formats::BodyTextOrigin origin = formats::BodyTextOrigin::Archive;
        if (formats::readAttributedBodyText({bytes, row.attributedBody.size()}, row.text, origin) !=
            0) {
            row.text.clear();
        }
        row.attributedBody = std::string();
    }
    return !row.text.empty();
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
    return message;
}

// The file name of the first attachment of each message: attachments in row order, each
// linked to the message of the first join row that names it.
std::unordered_map<std::int32_t, const std::string*> firstAttachments(const MessageTables& tables)
{
    std::unordered_map<std::int32_t, std::int32_t> messageOfAttachment;
    for (const sqlitecarve::MessageAttachmentJoinRow& join : tables.joins) {
        messageOfAttachment.try_emplace(static_cast<std::int32_t>(join.attachmentId),
                                        static_cast<std::int32_t>(join.messageId));
    }
    std::unordered_map<std::int32_t, const std::string*> firstOfMessage;
    for (const sqlitecarve::AttachmentRow& attachment : tables.attachments) {
        const auto found = messageOfAttachment.find(static_cast<std::int32_t>(attachment.rowid));
        if (found != messageOfAttachment.end() && found->second != 0) {
            firstOfMessage.try_emplace(found->second, &attachment.fileName);
        }
    }
    return firstOfMessage;
}

} // namespace

void joinMessages(MessageTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  MessageMap& map)
{
    const auto firstAttachmentOfMessage = firstAttachments(tables);
    std::unordered_map<std::int32_t, const std::string*> addressOfHandle;
    for (const sqlitecarve::HandleRow& handle : tables.handles) {
        if (const auto id = static_cast<std::int32_t>(handle.rowid); id != 0) {
            addressOfHandle.try_emplace(id, &handle.address);
        }
    }
    AddressBookIndex names(addressBook);
    std::vector<MessageRecord> messages;
    messages.reserve(tables.messages.size());
    for (sqlitecarve::MessageRow& row : tables.messages) {
        if (!fillBody(row)) {
            continue;
        }
        MessageRecord message = recordOf(std::move(row));
        if (const auto handle = addressOfHandle.find(message.handleId);
            handle != addressOfHandle.end()) {
            message.address = *handle->second;
        }
        if (!message.address.empty()) {
            message.contactName = names.nameOf(message.address);
        }
        if (message.rowId != 0) {
            if (const auto attachment = firstAttachmentOfMessage.find(message.rowId);
                attachment != firstAttachmentOfMessage.end()) {
                message.attachmentName = *attachment->second;
            }
        }
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
        MessageRecord& message = messages[index];
        map[message.handleId].push_back(std::move(message));
    }
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
