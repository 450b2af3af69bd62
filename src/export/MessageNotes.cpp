#include "export/MessageNotes.h"

#include "export/CStatisticsObj.h"

#include <array>
#include <string_view>

namespace exporting {

namespace {

// "Loved", "Liked"… for the reaction kinds the device names; the kind itself otherwise.
std::string reactionVerb(const extract::MessageReaction& reaction)
{
    constexpr std::array<std::pair<std::string_view, std::string_view>, 6> verbs = {{
        {"loved", "Loved"},
        {"liked", "Liked"},
        {"disliked", "Disliked"},
        {"laughed", "Laughed at"},
        {"emphasized", "Emphasized"},
        {"questioned", "Questioned"},
    }};
    for (const auto& [kind, verb] : verbs) {
        if (reaction.kind == kind) {
            return std::string(verb);
        }
    }
    if (reaction.kind == "emoji" && !reaction.emoji.empty()) {
        return "Reacted " + reaction.emoji;
    }
    return "Reacted with a " + reaction.kind;
}

std::string attachmentLine(const extract::MessageAttachment& attachment)
{
    std::string details = attachment.mimeType;
    if (attachment.size > 0) {
        details += (details.empty() ? "" : ", ") + formatSize(attachment.size);
    }
    std::string line = "Attachment: " + (attachment.name.empty() ? "(no name)" : attachment.name);
    if (!details.empty()) {
        line += " (" + details + ")";
    }
    if (attachment.path.empty()) {
        line += ", not in the backup";
    }
    return line;
}

} // namespace

std::vector<MessageNote> messageNotes(const extract::MessageRecord& message)
{
    std::vector<MessageNote> notes;
    if (message.details == nullptr) {
        return notes;
    }
    const extract::MessageDetails& details = *message.details;
    if (details.edited) {
        notes.push_back({"Edited"});
    }
    for (const extract::MessageEdit& edit : details.edits) {
        notes.push_back(
            {"Earlier version" + (edit.date.empty() ? "" : ", " + edit.date) + ": " + edit.text});
    }
    for (const extract::MessageReaction& reaction : details.reactions) {
        notes.push_back({reactionVerb(reaction) + " by " + reaction.sender});
    }
    for (const extract::MessageAttachment& attachment : details.attachments) {
        notes.push_back({attachmentLine(attachment), &attachment});
    }
    return notes;
}

std::string shownMessageText(const extract::MessageRecord& message)
{
    const bool unsent = message.details != nullptr && message.details->unsent;
    if (unsent && message.text.empty()) {
        return "Unsent";
    }
    // The object-replacement characters that stand for attachments in the body: the
    // attachments are listed under it instead.
    constexpr std::string_view kObjectMark = "\xEF\xBF\xBC";
    std::string text = message.text;
    for (std::size_t at = text.find(kObjectMark); at != std::string::npos;
         at = text.find(kObjectMark, at)) {
        text.erase(at, kObjectMark.size());
    }
    return text;
}

} // namespace exporting
