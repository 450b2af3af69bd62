#include "extract/MessageNotes.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace extract {

namespace {

// "Loved", "Liked"… for the reaction kinds the device names; the kind itself otherwise.
std::string reactionVerb(const MessageReaction& reaction)
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

// "12 bytes", "3.4 KB", "1.2 MB".
std::string sizeText(std::int64_t bytes)
{
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
    } else if (bytes < 1024 * 1024) {
        std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1048576.0);
    }
    return text;
}

std::string attachmentLine(const MessageAttachment& attachment)
{
    std::string details = attachment.mimeType;
    if (attachment.size > 0) {
        details += (details.empty() ? "" : ", ") + sizeText(attachment.size);
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

std::vector<MessageNote> messageNotes(const MessageRecord& message)
{
    std::vector<MessageNote> notes;
    if (message.details == nullptr) {
        return notes;
    }
    const MessageDetails& details = *message.details;
    if (details.edited) {
        notes.push_back({"Edited"});
    }
    for (const MessageEdit& edit : details.edits) {
        notes.push_back(
            {"Earlier version" + (edit.date.empty() ? "" : ", " + edit.date) + ": " + edit.text});
    }
    for (const MessageReaction& reaction : details.reactions) {
        notes.push_back({reactionVerb(reaction) + " by " + reaction.sender});
    }
    for (const MessageAttachment& attachment : details.attachments) {
        notes.push_back({attachmentLine(attachment), &attachment});
    }
    return notes;
}

std::string shownMessageText(const MessageRecord& message)
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

} // namespace extract
