#include "extract/ConversationNames.h"

namespace extract {

bool inGroup(const MessageRecord& message)
{
    return message.conversation != nullptr && message.conversation->isGroup;
}

std::string conversationName(const ConversationSummary& conversation)
{
    if (inGroup(conversation) && !conversation.conversation->name.empty()) {
        return conversation.conversation->name;
    }
    return conversation.contactName.empty() ? conversation.address : conversation.contactName;
}

std::string conversationAddresses(const ConversationSummary& conversation)
{
    if (!inGroup(conversation)) {
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
