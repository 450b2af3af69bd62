// The WhatsApp category: chat sessions, group members and media items joined to the messages
// of the chat database, grouped by chat in time order; and the text export of one chat.
#pragma once

#include "extract/Callbacks.h"
#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <vector>

namespace extract {

// The rows the WhatsApp builder joins, as the database readers deliver them.
struct WhatsAppTables
{
    std::vector<sqlitecarve::MediaItemRow> media;
    std::vector<sqlitecarve::ChatSessionRow> sessions;
    std::vector<sqlitecarve::GroupMemberRow> members;
    std::vector<sqlitecarve::WhatsAppMessageRow> messages;
};

// Turns the message rows into records, moving their texts out, and joins and groups them (ids
// are the low 32 bits of the rows' ids and references):
// - each session gets its members' addresses and names, comma-separated, in member row order
//   (a nameless member adds its address only);
// - each message of a known session gets the session's partner as sender, name and members
//   (the members, or the partner when it has none); own messages are sent by "Me" without
//   address; otherwise a member id of 2 or more names the first member row with that id as
//   sender. A sender left without name but with an address takes the name the address book
//   gives that number (AddressBookIndex). Messages of unknown sessions stay as they are;
// - a message without text takes the local path of its media item;
// - messages still without text are dropped, the rest sorted stably by date and appended to
//   `map` by session id.
void joinWhatsApp(WhatsAppTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  WhatsAppMap& map);

// Writes the chat `sessionId` of `map` to `path` as UTF-8 text with a byte-order mark and CR LF
// line ends: per message "DATE SENDER:" and the text indented by four spaces, then a blank
// line. The sender is "Me" for own messages, else the name, or the address when the name is
// empty or "Unknown". Creates the folder of `path`. Reports (i+1)·100/count after each message
// through `callback` (stopping at a non-zero answer, which becomes the result); a positive
// result is reported once more with 100. A session not in the map gives an empty file.
// Returns 0, the system's error code when the file cannot be written, or the answer.
[[nodiscard]] int writeWhatsAppChatText(const WhatsAppMap& map,
                                        std::int32_t sessionId,
                                        const std::string& path,
                                        ProgressCallback callback,
                                        void* userData);

} // namespace extract
