// Reactions (tapbacks): message rows of `associated_message_type` 2000–2007 add a reaction of
// one kind to the message their `associated_message_guid` names, 3000–3007 remove it again.
// They are folded into the reactions that stand on each message instead of being listed.
#pragma once

#include "extract/Records.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace extract {

// One reaction row as the builder reads it.
struct ReactionEvent
{
    // messageGuidKey of the reacted message's guid.
    std::uint64_t target = 0;
    // The row's `associated_message_type`.
    std::int64_t type = 0;
    // Tells senders apart: the owner's handle is -1, everyone else's their handle id.
    std::int64_t senderKey = 0;
    std::string sender;
    std::string emoji;
    std::string date;
};

// True for the types of rows that add or remove a reaction.
bool isReactionType(std::int64_t type);

// The guid key of the message a reaction's `associated_message_guid` names: the guid after
// "p:<part>/" or "bp:", or the whole text.
std::uint64_t reactionTargetKey(std::string_view associatedGuid);

// The reactions that stand after `events`, taken in date order (ties in the given order), by
// target key: an addition replaces the same sender's standing reaction of the same kind, a
// removal takes it away. Each target's reactions are in the order they were made.
std::unordered_map<std::uint64_t, std::vector<MessageReaction>>
standingReactions(std::vector<ReactionEvent> events);

} // namespace extract
