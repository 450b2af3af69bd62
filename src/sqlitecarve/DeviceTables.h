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

// The column count of a device table on the iOS versions first supported, for rows whose
// table has no schema to read (rows of a dropped table on free pages): 7 ZNOTEBODY, 19 ZNOTE,
// `messageColumns` message, 5 handle, 9 attachment, 2 message_attachment_join, 25 or 24
// ABPersonFullTextSearch_content (25 when `contactSearchHint` is 25 or more), 13 call, 13
// Friend, 1 tb_c2cTables, `chatMessageColumns` ZWAMESSAGE, 25 ZWACHATSESSION, 13 ZWAGROUPMEMBER,
// 24 ZWAMEDIAITEM, 17 ZCALLRECORD, 11 ZWACONTACT, 9 ZWAPHONE, 9 for names starting "Chat_",
// 50 for names starting "tb_c2cMsg" (both prefixes case-sensitive), 0 for anything else.
// Names compare without regard to ASCII case.
unsigned expectedColumns(std::string_view table,
                         unsigned messageColumns = 38,
                         unsigned chatMessageColumns = 28,
                         unsigned contactSearchHint = 0);

// Local "YYYY-MM-DD hh:mm:ss" of an Apple date value (seconds since 2001, or nanoseconds
// when the value is too large for seconds); empty for NULL or text.
std::string appleDateText(const Value& value);

} // namespace sqlitecarve
