#include "extract/ConversationNames.h"

namespace extract {

bool inGroup(const MessageRecord& message)
{
    return message.conversation != nullptr && message.conversation->isGroup;
}

std::string conversationName(const ConversationSummary& conversation)
{
    const ConversationInfo* info = conversation.conversation.get();
    const bool nameless = conversation.contactName.empty() && conversation.address.empty();
    if (info != nullptr && (info->isGroup || nameless) && !info->name.empty()) {
        return info->name;
    }
    return conversation.contactName.empty() ? conversation.address : conversation.contactName;
}

std::string conversationAddresses(const ConversationSummary& conversation)
{
    if (conversation.conversation == nullptr ||
        (!inGroup(conversation) && !conversation.address.empty())) {
        return conversation.address;
    }
    std::string joined;
    for (const std::string& address : conversation.conversation->participants) {
        joined += joined.empty() ? "" : ", ";
        joined += address;
    }
    return joined;
}

} // namespace extract
