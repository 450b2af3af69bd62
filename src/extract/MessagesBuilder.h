// The messages category: joins the rows of the messages database (messages, handles,
// attachments and their join table) and the address book's full-text rows into conversations
// keyed by handle id, and builds the conversation list from them.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <vector>

namespace extract {

// The rows the messages builder joins, as the database readers deliver them.
struct MessageTables
{
    std::vector<sqlitecarve::MessageRow> messages;
    std::vector<sqlitecarve::HandleRow> handles;
    std::vector<sqlitecarve::AttachmentRow> attachments;
    std::vector<sqlitecarve::MessageAttachmentJoinRow> joins;
};

// Turns the message rows into records, moving their texts out (a row without text takes the
// text of its archived body; a row whose body is empty or cannot be read is left out; ids are the
// low 32 bits of the rows' ids and references), and fills each message's address (the first handle
// row with its handle id, ids 0 never match), contact name (the one an AddressBookIndex
// finds for the address; empty without address book) and attachment name (the
// first attachment whose join row, the first one naming it, points at the message), sorts the
// messages stably by date and appends them to `map` by handle id. Every distinct address is looked
// up once and every other join goes through an index, so the work grows with the rows, not their
// product.
void joinMessages(MessageTables& tables,
                  const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                  MessageMap& map);

// One summary per conversation of `map` in key order: a copy of its latest message whose
// deleted field tells whether any message of it is deleted; then a stable sort that puts the
// conversations with deleted messages first.
std::vector<ConversationSummary> buildConversationList(const MessageMap& map);

} // namespace extract
