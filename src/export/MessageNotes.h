// The lines that tell, under a message's body, what else the message holds: that it was
// edited (with its earlier versions), its reactions and its attachments. The
// preview, the exported pages and the print page show the same lines.
#pragma once

#include "extract/Records.h"

#include <string>
#include <vector>

namespace exporting {

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
std::vector<MessageNote> messageNotes(const extract::MessageRecord& message);

// The text a message's bubble shows: its body without the marks that stand for its
// attachments (which are listed under it), or "Unsent" when the sender took it back.
std::string shownMessageText(const extract::MessageRecord& message);

} // namespace exporting
