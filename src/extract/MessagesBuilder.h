// The messages category: joins the rows of the messages database (messages, handles,
// attachments, chats and their join tables) and the address book's full-text rows into
// conversations as the device groups them, and builds the conversation list from them.
#pragma once

#include "extract/MessageAttachments.h"
#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

// The rows the messages builder joins, as the database readers deliver them.
struct MessageTables
{
    std::vector<sqlitecarve::MessageRow> messages;
    std::vector<sqlitecarve::HandleRow> handles;
    std::vector<sqlitecarve::AttachmentRow> attachments;
    std::vector<sqlitecarve::MessageAttachmentJoinRow> joins;
    std::vector<sqlitecarve::ChatRow> chats;
    std::vector<sqlitecarve::ChatJoinRow> chatHandles;
    std::vector<sqlitecarve::ChatJoinRow> chatMessages;
    // The device's trash (iOS 16 and later): chat_recoverable_message_join, the message as
    // member, and recoverable_message_part.
    std::vector<sqlitecarve::ChatJoinRow> recoverableMessages;
    std::vector<sqlitecarve::RecoverablePartRow> recoverableParts;
    // Finds the backup's content files of attachments; null leaves their paths empty.
    ContentFileLookup contentFile;
};

// Where a deleted `message` was found: "recentlyDeleted" (the device's own trash) or
// "freeSpace" (carved from the file); empty for a live message.
std::string_view deletedSourceOf(const MessageRecord& message);

// Who wrote `message`: "Me" for the owner's, else its contact name or address.
std::string senderOf(const MessageRecord& message);

// Turns the message rows into records, moving their texts out (a row without text takes the
// text of its archived body, else the latest version its edit summary holds, else, in the
// trash, its removed parts' texts; a row left without text is left out unless it was unsent,
// which empties its text; ids are the low 32 bits of the rows' ids and references), and fills
// each message's address (the first handle row with its handle id, ids 0 never match), contact
// name (the one an AddressBookIndex finds for the address; empty without address book),
// attachments (see attachmentsByMessage; the attachment name is the first one's device path),
// reactions (see standingReactions; reaction rows are no messages, and reactions whose
// message is missing are dropped), edits and edited and unsent flags (see MessageSummary),
// service, deleted source and conversation. A live row in the trash is deleted with source
// "recentlyDeleted", a recovered row has source "freeSpace". A message joined by a live
// chat_message_join row, or a trash row, to a group chat (style 43 or more than one member)
// belongs to that chat; to a one-to-one chat, to the conversation of the chat's member; any
// other message to the conversation of its handle id. The messages are sorted stably by date
// and appended to `map` by conversation key. Every distinct address is looked up once and
// every other join goes through an index, so the work grows with the rows, not their
// product.
void joinMessages(MessageTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  MessageMap& map);

// One summary per conversation of `map` in key order: a copy of its latest message whose
// deleted field tells whether any message of it is deleted and whose handleId is the key;
// then a stable sort that puts the conversations with deleted messages first.
std::vector<ConversationSummary> buildConversationList(const MessageMap& map);

} // namespace extract
