// The lines that tell, under a message's body, what else the message holds: that it was
// edited (with its earlier versions), its reactions and its attachments. The
// preview, the exported pages and the print page show the same lines.
#pragma once

#include "extract/Records.h"

#include <string>
#include <vector>

namespace exporting {

// The words of those lines in the language they are shown in (English unless the caller gives
// others). In a pattern "%1" and "%2" stand for what the comment names.
struct MessageNoteWords
{
    std::string edited = "Edited";
    std::string earlierVersion = "Earlier version, %1: %2"; // date, text
    std::string earlierUndated = "Earlier version: %1";     // text
    std::string reaction = "%1 by %2";                      // verb, sender
    std::string loved = "Loved";
    std::string liked = "Liked";
    std::string disliked = "Disliked";
    std::string laughed = "Laughed at";
    std::string emphasized = "Emphasized";
    std::string questioned = "Questioned";
    std::string reactedEmoji = "Reacted %1";       // emoji
    std::string reactedKind = "Reacted with a %1"; // the device's name of the kind
    std::string attachment = "Attachment: %1";     // name, then the details
    std::string noName = "(no name)";
    std::string notInBackup = ", not in the backup";
    std::string unsent = "Unsent";
};

// One line under a message's body; an attachment line keeps its attachment, so that a page
// can link the recovered copy.
struct MessageNote
{
    std::string text;
    const extract::MessageAttachment* attachment = nullptr;
};

// The lines under `message`'s body, in this order: "Edited" and each earlier
// version ("Earlier version, <date>: <text>"), the reactions ("Loved by Anna García"), the
// attachments ("Attachment: <name> (<type>, <size>)", the size as the statistics write it). Empty
// for most messages.
std::vector<MessageNote> messageNotes(const extract::MessageRecord& message,
                                      const MessageNoteWords& words = {});

// The text a message's bubble shows: its body without the marks that stand for its
// attachments (which are listed under it), or "Unsent" when the sender took it back.
std::string shownMessageText(const extract::MessageRecord& message,
                             const MessageNoteWords& words = {});

} // namespace exporting
