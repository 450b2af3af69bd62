// The texts that name a conversation of the messages database in lists, previews, exports and
// the print page: a group by its name and members, a one-to-one conversation by the other party.
#pragma once

#include "extract/Records.h"

#include <string>

namespace extract {

// Whether `message` belongs to a group conversation (a chat of more than one other member).
bool inGroup(const MessageRecord& message);

// The name a conversation is listed under: a group's name, else the other party's contact name,
// else its address, else the chat's name (when the latest message names no party, as the
// owner's may not); empty when none is known.
std::string conversationName(const ConversationSummary& conversation);

// The addresses of a group's members, comma-separated; the other party's address otherwise,
// else the chat's members.
std::string conversationAddresses(const ConversationSummary& conversation);

} // namespace extract
