#include "export/MessageNotes.h"

#include "export/CStatisticsObj.h"

#include <array>
#include <string_view>

namespace exporting {

namespace {

// `pattern` with "%1" and "%2" replaced by `first` and `second`.
std::string
fillPattern(std::string_view pattern, std::string_view first, std::string_view second = {})
{
    std::string out;
    for (std::size_t at = 0; at < pattern.size(); ++at) {
        if (pattern[at] == '%' && at + 1 < pattern.size() &&
            (pattern[at + 1] == '1' || pattern[at + 1] == '2')) {
            out += pattern[++at] == '1' ? first : second;
        } else {
            out += pattern[at];
        }
    }
    return out;
}

// "Loved", "Liked"… for the reaction kinds the device names; the kind itself otherwise.
std::string reactionVerb(const extract::MessageReaction& reaction, const MessageNoteWords& words)
{
    const std::array<std::pair<std::string_view, const std::string*>, 6> verbs = {{
        {"loved", &words.loved},
        {"liked", &words.liked},
        {"disliked", &words.disliked},
        {"laughed", &words.laughed},
        {"emphasized", &words.emphasized},
        {"questioned", &words.questioned},
    }};
    for (const auto& [kind, verb] : verbs) {
        if (reaction.kind == kind) {
            return *verb;
        }
    }
    if (reaction.kind == "emoji" && !reaction.emoji.empty()) {
        return fillPattern(words.reactedEmoji, reaction.emoji);
    }
    return fillPattern(words.reactedKind, reaction.kind);
}

std::string attachmentLine(const extract::MessageAttachment& attachment,
                           const MessageNoteWords& words)
{
    std::string details = attachment.mimeType;
    if (attachment.size > 0) {
        details += (details.empty() ? "" : ", ") + formatSize(attachment.size);
    }
    std::string line =
        fillPattern(words.attachment, attachment.name.empty() ? words.noName : attachment.name);
    if (!details.empty()) {
        line += " (" + details + ")";
    }
    if (attachment.path.empty()) {
        line += words.notInBackup;
    }
    return line;
}

} // namespace

std::vector<MessageNote> messageNotes(const extract::MessageRecord& message,
                                      const MessageNoteWords& words)
{
    std::vector<MessageNote> notes;
    if (message.details == nullptr) {
        return notes;
    }
    const extract::MessageDetails& details = *message.details;
    if (details.edited) {
        notes.push_back({words.edited});
    }
    for (const extract::MessageEdit& edit : details.edits) {
        notes.push_back({edit.date.empty()
                             ? fillPattern(words.earlierUndated, edit.text)
                             : fillPattern(words.earlierVersion, edit.date, edit.text)});
    }
    for (const extract::MessageReaction& reaction : details.reactions) {
        notes.push_back(
            {fillPattern(words.reaction, reactionVerb(reaction, words), reaction.sender)});
    }
    for (const extract::MessageAttachment& attachment : details.attachments) {
        notes.push_back({attachmentLine(attachment, words), &attachment});
    }
    return notes;
}

std::string shownMessageText(const extract::MessageRecord& message, const MessageNoteWords& words)
{
    const bool unsent = message.details != nullptr && message.details->unsent;
    if (unsent && message.text.empty()) {
        return words.unsent;
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
