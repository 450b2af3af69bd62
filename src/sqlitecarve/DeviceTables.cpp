// The device-table readers: columns by name, typed rows, the rules each table's rows follow.
#include "sqlitecarve/DeviceTables.h"

#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <memory>

namespace sqlitecarve {

namespace {

// Integers of this magnitude or more count nanoseconds since 2001 (newer messages databases).
constexpr std::int64_t kNanosecondThreshold = 100'000'000'000;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// The lowest `associated_message_type` of a row that refers to another message.
constexpr std::int64_t kFirstAssociatedType = 1000;
// The length of a message guid; longer references compare their first this many bytes.
constexpr std::size_t kGuidLength = 36;
// Reals beyond this many seconds are no date.
constexpr double kLatestSeconds = 1.0e12;
// Reals of larger magnitude do not convert to a 64-bit integer.
constexpr double kLargestIntegralReal = 9.0e18;

using ColumnFinder = int (*)(const TableSchema&, std::string_view);

int columnNamed(const TableSchema& table, std::string_view name)
{
    return table.columnIndex(name);
}

// The first column whose name, without its leading "c" and digits, is `field` (ASCII case
// ignored), or -1: the full-text table numbers its columns (c15Phone, c16Email …).
int numberedColumn(const TableSchema& table, std::string_view field)
{
    for (std::size_t i = 0; i < table.columns.size(); ++i) {
        std::string_view name = table.columns[i].name;
        if (name.empty() || (name.front() != 'c' && name.front() != 'C')) {
            continue;
        }
        name.remove_prefix(1);
        const std::size_t digits = name.find_first_not_of("0123456789");
        if (digits == 0 || digits == std::string_view::npos) {
            continue;
        }
        if (platform::compareAsciiNoCase(name.substr(digits), field) == 0) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

std::string cutBeforeAt(const std::string& jid)
{
    const std::size_t at = jid.find('@');
    return at == std::string::npos ? std::string() : jid.substr(0, at);
}

// One carved row seen through the columns a reader asked for, by their place in its list.
// A text that is not valid UTF-8 reads as empty and marks the row invalid.
class Fields
{
public:
    Fields(const CarvedRow& row, const std::vector<int>& positions)
        : m_row(row)
        , m_positions(positions)
    {}

    bool deleted() const { return m_row.deleted; }

    std::int64_t rowid() const { return m_row.rowid.value_or(0); }

    bool valid() const { return m_valid; }

    std::int64_t integer(std::size_t field) const
    {
        const Value* value = at(field);
        if (value == nullptr) {
            return 0;
        }
        if (value->kind == ValueKind::Integer) {
            return value->integer;
        }
        if (value->kind == ValueKind::Real && std::isfinite(value->real) &&
            std::fabs(value->real) < kLargestIntegralReal) {
            return static_cast<std::int64_t>(value->real);
        }
        return 0;
    }

    std::string text(std::size_t field)
    {
        const Value* value = at(field);
        if (value == nullptr || value->kind != ValueKind::Text) {
            return {};
        }
        if (!platform::isValidUtf8(value->bytes)) {
            m_valid = false;
            return {};
        }
        return value->bytes;
    }

    // The bytes of a text value as stored, unchecked; empty for every other kind.
    std::string_view textBytes(std::size_t field) const
    {
        const Value* value = at(field);
        return value == nullptr || value->kind != ValueKind::Text ? std::string_view()
                                                                  : value->bytes;
    }

    // The bytes of a blob value; empty for every other kind.
    std::string blob(std::size_t field) const
    {
        const Value* value = at(field);
        return value == nullptr || value->kind != ValueKind::Blob ? std::string() : value->bytes;
    }

    std::string appleDate(std::size_t field) const
    {
        const Value* value = at(field);
        if (value == nullptr) {
            return {};
        }
        if (value->kind == ValueKind::Integer) {
            return appleDateText(value->integer);
        }
        if (value->kind == ValueKind::Real) {
            return appleDateText(value->real);
        }
        return {};
    }

private:
    const Value* at(std::size_t field) const
    {
        const int column = m_positions[field];
        if (column < 0 || static_cast<std::size_t>(column) >= m_row.values.size()) {
            return nullptr;
        }
        return &m_row.values[static_cast<std::size_t>(column)];
    }

    const CarvedRow& m_row;
    const std::vector<int>& m_positions;
    bool m_valid = true;
};

// Reads every row of `table` (live, then recovered) into `sink` as Fields over the columns
// named `names`, found by `find`; live rows decode only those columns. A missing table reads
// nothing and returns 0.
template <typename Sink>
int readRows(Database& db,
             std::string_view table,
             std::initializer_list<std::string_view> names,
             Sink sink,
             ColumnFinder find = columnNamed)
{
    const TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusOk;
    }
    ReadOptions options;
    for (const std::string_view name : names) {
        options.columns.push_back(find(*schema, name));
    }
    const std::vector<int>& positions = options.columns;
    return db.readTable(
        table,
        [&](CarvedRow& row) {
            Fields fields(row, positions);
            sink(fields);
        },
        options);
}

// Appends the call of `fields` unless it lacks a date or number or is damaged.
void keepCall(std::vector<CallRow>& rows, const Fields& fields, CallRow call)
{
    if (fields.valid() && !call.date.empty() && !call.address.empty() &&
        !hasControlCharacter(call.address)) {
        rows.push_back(std::move(call));
    }
}

// The parts of a message row beyond its body, or null when it has none of them.
std::shared_ptr<const MessageRowDetail> detailOf(Fields& fields)
{
    MessageRowDetail detail{.associatedType = fields.integer(7),
                            .edited = fields.integer(10) != 0,
                            .retracted = fields.integer(11) != 0,
                            .summaryInfo = fields.blob(12)};
    if (detail.associatedType < kFirstAssociatedType && !detail.edited && !detail.retracted &&
        detail.summaryInfo.empty()) {
        return nullptr;
    }
    detail.associatedGuid = fields.text(8);
    detail.emoji = fields.text(9);
    return std::make_shared<const MessageRowDetail>(std::move(detail));
}

// Appends the message of `fields` unless it is damaged, or has neither text nor archived body
// and, live, no detail either.
void keepMessage(std::vector<MessageRow>& rows, Fields& fields)
{
    MessageRow row;
    row.text = fields.text(0);
    if (row.text.empty()) {
        row.attributedBody = fields.blob(4);
    }
    row.service = fields.text(5);
    row.deleted = fields.deleted();
    if (!fields.valid()) {
        return;
    }
    if (!row.deleted) {
        row.detail = detailOf(fields);
    }
    if (row.text.empty() && row.attributedBody.empty() && row.detail == nullptr) {
        return;
    }
    row.rowid = fields.rowid();
    row.handleId = fields.integer(1);
    row.date = fields.appleDate(2);
    row.isFromMe = fields.integer(3) != 0;
    row.guidKey = messageGuidKey(fields.textBytes(6));
    if (fields.valid()) {
        rows.push_back(std::move(row));
    }
}

} // namespace

std::uint64_t messageGuidKey(std::string_view guid)
{
    if (guid.empty()) {
        return 0;
    }
    // FNV-1a, 64 bits.
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : guid.substr(0, kGuidLength)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return hash == 0 ? 1 : hash;
}

std::string appleDateText(std::int64_t value)
{
    if (value == 0) {
        return {};
    }
    const bool nanoseconds = value >= kNanosecondThreshold || value <= -kNanosecondThreshold;
    const std::int64_t seconds = nanoseconds ? value / kNanosecondsPerSecond : value;
    return platform::formatLocal(seconds + platform::kAppleEpochOffset);
}

std::string appleDateText(double seconds)
{
    if (!std::isfinite(seconds) || seconds == 0.0 || std::fabs(seconds) > kLatestSeconds) {
        return {};
    }
    return platform::formatLocal(static_cast<std::int64_t>(std::floor(seconds)) +
                                 platform::kAppleEpochOffset);
}

int readMessages(Database& db, std::vector<MessageRow>& rows)
{
    return readRows(db,
                    "message",
                    {"text",
                     "handle_id",
                     "date",
                     "is_from_me",
                     "attributedBody",
                     "service",
                     "guid",
                     "associated_message_type",
                     "associated_message_guid",
                     "associated_message_emoji",
                     "date_edited",
                     "date_retracted",
                     "message_summary_info"},
                    [&](Fields& fields) { keepMessage(rows, fields); });
}

int readHandles(Database& db, std::vector<HandleRow>& rows)
{
    return readRows(db, "handle", {"id"}, [&](Fields& fields) {
        HandleRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.address = fields.text(0);
        if (!row.address.empty()) {
            rows.push_back(std::move(row));
        }
    });
}

int readAttachments(Database& db, std::vector<AttachmentRow>& rows)
{
    return readRows(db,
                    "attachment",
                    {"filename", "mime_type", "transfer_name", "total_bytes"},
                    [&](Fields& fields) {
                        AttachmentRow row;
                        row.deleted = fields.deleted();
                        row.rowid = fields.rowid();
                        row.fileName = fields.text(0);
                        row.mimeType = fields.text(1);
                        row.transferName = fields.text(2);
                        row.totalBytes = fields.integer(3);
                        if (!row.fileName.empty()) {
                            rows.push_back(std::move(row));
                        }
                    });
}

int readMessageAttachmentJoins(Database& db, std::vector<MessageAttachmentJoinRow>& rows)
{
    return readRows(
        db, "message_attachment_join", {"message_id", "attachment_id"}, [&](Fields& fields) {
            MessageAttachmentJoinRow row;
            row.deleted = fields.deleted();
            row.messageId = fields.integer(0);
            row.attachmentId = fields.integer(1);
            rows.push_back(row);
        });
}

int readChats(Database& db, std::vector<ChatRow>& rows)
{
    return readRows(db, "chat", {"style", "chat_identifier", "display_name"}, [&](Fields& fields) {
        ChatRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.style = fields.integer(0);
        row.chatIdentifier = fields.text(1);
        row.displayName = fields.text(2);
        if (fields.valid()) {
            rows.push_back(std::move(row));
        }
    });
}

int readChatHandleJoins(Database& db, std::vector<ChatJoinRow>& rows)
{
    return readRows(db, "chat_handle_join", {"chat_id", "handle_id"}, [&](Fields& fields) {
        rows.push_back({fields.deleted(), fields.integer(0), fields.integer(1)});
    });
}

int readChatMessageJoins(Database& db, std::vector<ChatJoinRow>& rows)
{
    return readRows(db, "chat_message_join", {"chat_id", "message_id"}, [&](Fields& fields) {
        rows.push_back({fields.deleted(), fields.integer(0), fields.integer(1)});
    });
}

int readRecoverableMessageJoins(Database& db, std::vector<ChatJoinRow>& rows)
{
    return readRows(
        db, "chat_recoverable_message_join", {"chat_id", "message_id"}, [&](Fields& fields) {
            rows.push_back({fields.deleted(), fields.integer(0), fields.integer(1)});
        });
}

int readRecoverableParts(Database& db, std::vector<RecoverablePartRow>& rows)
{
    return readRows(db,
                    "recoverable_message_part",
                    {"chat_id", "message_id", "part_index", "part_text"},
                    [&](Fields& fields) {
                        rows.push_back({.deleted = fields.deleted(),
                                        .chatId = fields.integer(0),
                                        .messageId = fields.integer(1),
                                        .partIndex = fields.integer(2),
                                        .partText = fields.blob(3)});
                    });
}

int readContactSearch(Database& db, std::vector<ContactSearchRow>& rows)
{
    return readRows(
        db,
        "ABPersonFullTextSearch_content",
        {"First", "Last", "Organization", "Phone", "Email", "Address", "SocialProfile", "URL"},
        [&](Fields& fields) {
            ContactSearchRow row;
            row.deleted = fields.deleted();
            row.rowid = fields.rowid();
            row.first = fields.text(0);
            row.last = fields.text(1);
            row.organization = fields.text(2);
            row.phone = fields.text(3);
            row.email = fields.text(4);
            row.address = fields.text(5);
            row.socialProfile = fields.text(6);
            row.url = fields.text(7);
            if (fields.valid() && !hasControlCharacter(row.phone)) {
                rows.push_back(std::move(row));
            }
        },
        numberedColumn);
}

int readNoteBodies(Database& db, std::vector<NoteBodyRow>& rows)
{
    return readRows(db, "ZNOTEBODY", {"ZCONTENT"}, [&](Fields& fields) {
        NoteBodyRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.content = fields.text(0);
        if (fields.valid()) {
            rows.push_back(std::move(row));
        }
    });
}

int readNotes(Database& db, std::vector<NoteRow>& rows)
{
    return readRows(db, "ZNOTE", {"ZBODY", "ZMODIFICATIONDATE", "ZTITLE"}, [&](Fields& fields) {
        NoteRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.bodyId = fields.integer(0);
        row.modificationDate = fields.appleDate(1);
        row.title = fields.text(2);
        if (fields.valid()) {
            rows.push_back(std::move(row));
        }
    });
}

int readCallRecords(Database& db, std::vector<CallRow>& rows)
{
    return readRows(
        db, "ZCALLRECORD", {"ZADDRESS", "ZDATE", "ZDURATION", "ZORIGINATED"}, [&](Fields& fields) {
            CallRow row;
            row.deleted = fields.deleted();
            row.rowid = fields.rowid();
            row.address = fields.text(0);
            row.date = fields.appleDate(1);
            row.duration = fields.integer(2);
            row.outgoing = fields.integer(3) != 0;
            keepCall(rows, fields, std::move(row));
        });
}

int readLegacyCalls(Database& db, std::vector<CallRow>& rows)
{
    return readRows(db, "call", {"address", "date", "duration", "flags"}, [&](Fields& fields) {
        CallRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.address = fields.text(0);
        if (const std::int64_t unixSeconds = fields.integer(1); unixSeconds != 0) {
            row.date = platform::formatLocal(unixSeconds);
        }
        row.duration = fields.integer(2);
        row.outgoing = (fields.integer(3) & 1) != 0;
        keepCall(rows, fields, std::move(row));
    });
}

int readWhatsAppMessages(Database& db, std::vector<WhatsAppMessageRow>& rows)
{
    return readRows(
        db,
        "ZWAMESSAGE",
        {"ZISFROMME", "ZCHATSESSION", "ZGROUPMEMBER", "ZMEDIAITEM", "ZMESSAGEDATE", "ZTEXT"},
        [&](Fields& fields) {
            WhatsAppMessageRow row;
            row.deleted = fields.deleted();
            row.rowid = fields.rowid();
            row.isFromMe = fields.integer(0) != 0;
            row.chatSession = fields.integer(1);
            row.groupMember = fields.integer(2);
            row.mediaItem = fields.integer(3);
            row.date = fields.appleDate(4);
            row.text = fields.text(5);
            if (fields.valid()) {
                rows.push_back(std::move(row));
            }
        });
}

int readChatSessions(Database& db, std::vector<ChatSessionRow>& rows)
{
    return readRows(db, "ZWACHATSESSION", {"ZCONTACTJID", "ZPARTNERNAME"}, [&](Fields& fields) {
        ChatSessionRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.contactJid = cutBeforeAt(fields.text(0));
        row.partnerName = fields.text(1);
        if (fields.valid()) {
            rows.push_back(std::move(row));
        }
    });
}

int readGroupMembers(Database& db, std::vector<GroupMemberRow>& rows)
{
    return readRows(db,
                    "ZWAGROUPMEMBER",
                    {"ZCHATSESSION", "ZCONTACTNAME", "ZFIRSTNAME", "ZMEMBERJID"},
                    [&](Fields& fields) {
                        GroupMemberRow row;
                        row.deleted = fields.deleted();
                        row.rowid = fields.rowid();
                        row.chatSession = fields.integer(0);
                        row.memberJid = cutBeforeAt(fields.text(3));
                        row.name = fields.text(1);
                        if (row.name.empty()) {
                            row.name = fields.text(2);
                        }
                        if (fields.valid()) {
                            rows.push_back(std::move(row));
                        }
                    });
}

int readMediaItems(Database& db, std::vector<MediaItemRow>& rows)
{
    return readRows(db, "ZWAMEDIAITEM", {"ZMEDIALOCALPATH"}, [&](Fields& fields) {
        MediaItemRow row;
        row.deleted = fields.deleted();
        row.rowid = fields.rowid();
        row.localPath = fields.text(0);
        if (fields.valid()) {
            rows.push_back(std::move(row));
        }
    });
}

} // namespace sqlitecarve
