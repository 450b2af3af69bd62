// Readers of the device tables: each reads its table's live and recovered rows through
// Database::readTable, decoding only the columns it keeps, which it finds by name in the
// table's CREATE TABLE text (positions moved between iOS versions; a column the text does not
// name reads as empty). A row with a text that is not valid UTF-8 is left out: it is a
// damaged or misread record.
//
// Each reader appends to `rows` and returns 0, also when the table does not exist (it then
// appends nothing); else the status of Database::readTable, after appending what could be
// read: a damaged page costs its own rows, never the table's others.
#pragma once

#include "sqlitecarve/Database.h"
#include "sqlitecarve/DeviceRows.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqlitecarve {

// Table message: rows with a text, or without one but with an `attributedBody` blob, and live
// rows with a detail. A live row gets a detail when it refers to another message
// (`associated_message_type` 1000 or more), was edited or unsent, or has a summary blob;
// recovered rows get none (a carved reaction may be one its sender took back).
[[nodiscard]] int readMessages(Database& db, std::vector<MessageRow>& rows);
// Table handle: rows with an address only.
[[nodiscard]] int readHandles(Database& db, std::vector<HandleRow>& rows);
// Table attachment: rows with a file name only.
[[nodiscard]] int readAttachments(Database& db, std::vector<AttachmentRow>& rows);
// Table message_attachment_join: every row.
[[nodiscard]] int readMessageAttachmentJoins(Database& db,
                                             std::vector<MessageAttachmentJoinRow>& rows);
// Table chat.
[[nodiscard]] int readChats(Database& db, std::vector<ChatRow>& rows);
// Table chat_handle_join, the handle as member: every row.
[[nodiscard]] int readChatHandleJoins(Database& db, std::vector<ChatJoinRow>& rows);
// Table chat_message_join, the message as member: every row.
[[nodiscard]] int readChatMessageJoins(Database& db, std::vector<ChatJoinRow>& rows);
// Table chat_recoverable_message_join (the device's trash, iOS 16 and later), the message as
// member: every row.
[[nodiscard]] int readRecoverableMessageJoins(Database& db, std::vector<ChatJoinRow>& rows);
// Table recoverable_message_part: every row.
[[nodiscard]] int readRecoverableParts(Database& db, std::vector<RecoverablePartRow>& rows);
// Table ABPersonFullTextSearch_content, whose columns are numbered ("c0First", "c15Phone"):
// each text is the first column whose name, after its "c" and digits, is the field's name.
// Rows whose telephone text holds a control character are left out.
[[nodiscard]] int readContactSearch(Database& db, std::vector<ContactSearchRow>& rows);
// Table ZNOTEBODY.
[[nodiscard]] int readNoteBodies(Database& db, std::vector<NoteBodyRow>& rows);
// Table ZNOTE.
[[nodiscard]] int readNotes(Database& db, std::vector<NoteRow>& rows);
// Table ZCALLRECORD (iOS 8 and later): Apple dates, outgoing when ZORIGINATED is not 0.
// Calls without date or number, or with a control character in the number, are left out.
[[nodiscard]] int readCallRecords(Database& db, std::vector<CallRow>& rows);
// Table call (iOS 7 and earlier): Unix dates, outgoing when bit 0 of flags is set; left out
// as readCallRecords leaves them out.
[[nodiscard]] int readLegacyCalls(Database& db, std::vector<CallRow>& rows);
// Table ZWAMESSAGE.
[[nodiscard]] int readWhatsAppMessages(Database& db, std::vector<WhatsAppMessageRow>& rows);
// Table ZWACHATSESSION.
[[nodiscard]] int readChatSessions(Database& db, std::vector<ChatSessionRow>& rows);
// Table ZWAGROUPMEMBER.
[[nodiscard]] int readGroupMembers(Database& db, std::vector<GroupMemberRow>& rows);
// Table ZWAMEDIAITEM.
[[nodiscard]] int readMediaItems(Database& db, std::vector<MediaItemRow>& rows);

// The key by which a message guid is compared: a 64-bit hash of its first 36 bytes (a guid's
// length), never 0; 0 for an empty guid.
std::uint64_t messageGuidKey(std::string_view guid);

// Local "YYYY-MM-DD hh:mm:ss" of an Apple date stored as an integer: seconds since 2001, or
// nanoseconds (whole seconds, rounded toward zero) when its magnitude is 10^11 or more. Empty
// for 0.
std::string appleDateText(std::int64_t value);
// Local "YYYY-MM-DD hh:mm:ss" of an Apple date stored as a real: seconds since 2001, rounded
// down. Empty for 0, infinities, NaN and magnitudes beyond 10^12.
std::string appleDateText(double seconds);

} // namespace sqlitecarve
