// Folds reaction rows into the reactions that stand on each message.
#include "extract/MessageReactions.h"

#include "extract/TextOrder.h"
#include "sqlitecarve/DeviceTables.h"

#include <algorithm>
#include <array>
#include <map>
#include <tuple>

namespace extract {

namespace {

constexpr std::int64_t kFirstAdd = 2000;
constexpr std::int64_t kFirstRemoval = 3000;
constexpr std::array<const char*, 8> kKinds = {
    "loved", "liked", "disliked", "laughed", "emphasized", "questioned", "emoji", "sticker"};
// The kind whose reactions carry their own character.
constexpr std::int64_t kEmojiKind = 6;

std::int64_t kindIndexOf(std::int64_t type)
{
    return type >= kFirstRemoval ? type - kFirstRemoval : type - kFirstAdd;
}

} // namespace

bool isReactionType(std::int64_t type)
{
    const auto kinds = static_cast<std::int64_t>(kKinds.size());
    return (type >= kFirstAdd && type < kFirstAdd + kinds) ||
           (type >= kFirstRemoval && type < kFirstRemoval + kinds);
}

std::uint64_t reactionTargetKey(std::string_view associatedGuid)
{
    if (associatedGuid.substr(0, 2) == "p:") {
        const std::size_t slash = associatedGuid.find('/');
        associatedGuid.remove_prefix(slash == std::string_view::npos ? associatedGuid.size()
                                                                     : slash + 1);
    } else if (associatedGuid.substr(0, 3) == "bp:") {
        associatedGuid.remove_prefix(3);
    }
    return sqlitecarve::messageGuidKey(associatedGuid);
}

std::unordered_map<std::uint64_t, std::vector<MessageReaction>>
standingReactions(std::vector<ReactionEvent> events)
{
    std::stable_sort(events.begin(), events.end(), [](const auto& a, const auto& b) {
        return textLess(a.date, b.date);
    });
    // Who reacted how to which message → the event that stands, by its place in `events`.
    std::map<std::tuple<std::uint64_t, std::int64_t, std::int64_t>, std::size_t> standing;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const ReactionEvent& event = events[i];
        if (event.target == 0 || !isReactionType(event.type)) {
            continue;
        }
        const auto key = std::tuple(event.target, event.senderKey, kindIndexOf(event.type));
        if (event.type >= kFirstRemoval) {
            standing.erase(key);
        } else {
            standing.insert_or_assign(key, i);
        }
    }
    std::vector<std::size_t> order;
    order.reserve(standing.size());
    for (const auto& [key, index] : standing) {
        order.push_back(index);
    }
    std::sort(order.begin(), order.end());
    std::unordered_map<std::uint64_t, std::vector<MessageReaction>> byTarget;
    for (const std::size_t index : order) {
        ReactionEvent& event = events[index];
        const bool emoji = kindIndexOf(event.type) == kEmojiKind;
        byTarget[event.target].push_back({kKinds[static_cast<std::size_t>(kindIndexOf(event.type))],
                                          emoji ? std::move(event.emoji) : std::string(),
                                          std::move(event.sender),
                                          std::move(event.date)});
    }
    return byTarget;
}

} // namespace extract
