// Fuzz target: a database file of arbitrary bytes is opened and every table is read, live and
// recovered, through the generic reader and every device-table reader. Nothing may crash,
// hang or read outside a buffer.
#include "MemoryFile.h"
#include "sqlitecarve/Database.h"
#include "sqlitecarve/DeviceTables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile file;
    if (!file.assign(data, size)) {
        return 0;
    }
    sqlitecarve::Database db;
    if (db.open(file.path()) != 0) {
        return 0;
    }
    for (const std::string& table : db.tableNames()) {
        std::vector<sqlitecarve::CarvedRow> rows;
        (void)db.readTable(table, rows);
    }
    std::vector<sqlitecarve::CarvedRow> unowned;
    (void)db.readUnownedRows(unowned);
    std::vector<sqlitecarve::MessageRow> messages;
    std::vector<sqlitecarve::HandleRow> handles;
    std::vector<sqlitecarve::AttachmentRow> attachments;
    std::vector<sqlitecarve::MessageAttachmentJoinRow> joins;
    std::vector<sqlitecarve::ContactSearchRow> contacts;
    std::vector<sqlitecarve::NoteBodyRow> bodies;
    std::vector<sqlitecarve::NoteRow> notes;
    std::vector<sqlitecarve::CallRow> calls;
    std::vector<sqlitecarve::WhatsAppMessageRow> chats;
    std::vector<sqlitecarve::ChatSessionRow> sessions;
    std::vector<sqlitecarve::GroupMemberRow> members;
    std::vector<sqlitecarve::MediaItemRow> media;
    std::vector<sqlitecarve::ChatRow> messageChats;
    std::vector<sqlitecarve::ChatJoinRow> chatJoins;
    std::vector<sqlitecarve::RecoverablePartRow> parts;
    (void)sqlitecarve::readMessages(db, messages);
    (void)sqlitecarve::readHandles(db, handles);
    (void)sqlitecarve::readAttachments(db, attachments);
    (void)sqlitecarve::readMessageAttachmentJoins(db, joins);
    (void)sqlitecarve::readChats(db, messageChats);
    (void)sqlitecarve::readChatHandleJoins(db, chatJoins);
    (void)sqlitecarve::readChatMessageJoins(db, chatJoins);
    (void)sqlitecarve::readRecoverableMessageJoins(db, chatJoins);
    (void)sqlitecarve::readRecoverableParts(db, parts);
    (void)sqlitecarve::readContactSearch(db, contacts);
    (void)sqlitecarve::readNoteBodies(db, bodies);
    (void)sqlitecarve::readNotes(db, notes);
    (void)sqlitecarve::readCallRecords(db, calls);
    (void)sqlitecarve::readLegacyCalls(db, calls);
    (void)sqlitecarve::readWhatsAppMessages(db, chats);
    (void)sqlitecarve::readChatSessions(db, sessions);
    (void)sqlitecarve::readGroupMembers(db, members);
    (void)sqlitecarve::readMediaItems(db, media);
    return 0;
}
