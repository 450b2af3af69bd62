// Fuzz target: a database file of arbitrary bytes is opened and every table is read, live and
// recovered, through the generic reader and every device-table reader. Nothing may crash,
// hang or read outside a buffer.
#include "platform/ReadSource.h"
#include "sqlitecarve/Database.h"
#include "sqlitecarve/DeviceTables.h"

#include <algorithm>
#include <cstring>

namespace {

// The input read through the generic read source rather than a mapped file: every page is
// copied into a buffer of its own, so a read past a page's end is caught, where a mapping would
// hold the next page right behind it.
class InputSource : public platform::ReadSource
{
public:
    InputSource(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {}

    int size(std::uint64_t& bytes) const override
    {
        bytes = m_size;
        return 0;
    }

    int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override
    {
        got = offset < m_size ? std::min<std::size_t>(count, m_size - offset) : 0;
        if (got > 0) {
            std::memcpy(buffer, m_data + offset, got);
        }
        return 0;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const InputSource source(data, size);
    sqlitecarve::Database db;
    if (db.open(source) != 0) {
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
