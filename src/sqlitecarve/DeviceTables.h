// Readers of the device tables: each reads its table's live and recovered rows through
// Database::readTable and keeps the columns it needs, found by name in the table's CREATE TABLE
// text (positions moved between iOS versions), with fixed positions as the fallback where the
// schema names no columns.
//
// Each reader appends to `rows` and returns 0; kStatusInvalid when the table does not exist;
// else the status of Database::readTable after appending what could be read.
#pragma once

#include "sqlitecarve/Database.h"
#include "sqlitecarve/DeviceRows.h"

#include <vector>

namespace sqlitecarve {

[[nodiscard]] int readMessages(Database& db, std::vector<MessageRow>& rows);
[[nodiscard]] int readHandles(Database& db, std::vector<HandleRow>& rows);
[[nodiscard]] int readAttachments(Database& db, std::vector<AttachmentRow>& rows);
[[nodiscard]] int readMessageAttachmentJoins(Database& db,
                                             std::vector<MessageAttachmentJoinRow>& rows);
[[nodiscard]] int readContactSearch(Database& db, std::vector<ContactSearchRow>& rows);
[[nodiscard]] int readNoteBodies(Database& db, std::vector<NoteBodyRow>& rows);
[[nodiscard]] int readNotes(Database& db, std::vector<NoteRow>& rows);
// Reads ZCALLRECORD when the database has it, else call.
[[nodiscard]] int readCalls(Database& db, std::vector<CallRow>& rows);
[[nodiscard]] int readWhatsAppMessages(Database& db, std::vector<WhatsAppMessageRow>& rows);
[[nodiscard]] int readChatSessions(Database& db, std::vector<ChatSessionRow>& rows);
[[nodiscard]] int readGroupMembers(Database& db, std::vector<GroupMemberRow>& rows);
[[nodiscard]] int readMediaItems(Database& db, std::vector<MediaItemRow>& rows);

// Local "YYYY-MM-DD hh:mm:ss" of an Apple date value (seconds since 2001, or nanoseconds
// when the value is too large for seconds); empty for NULL or text.
std::string appleDateText(const Value& value);

} // namespace sqlitecarve
