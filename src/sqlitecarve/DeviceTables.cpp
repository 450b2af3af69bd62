// The device-table readers: columns by name, typed rows, the rules each table's rows follow.
#include "sqlitecarve/DeviceTables.h"

#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <cmath>
#include <functional>

namespace sqlitecarve {

namespace {

// Nanosecond dates (iOS 11 and later) exceed any plausible count of seconds.
constexpr double kNanosecondThreshold = 1e11;

// Finds the columns a reader keeps, by name, with a fixed position where the schema has no
// column list.
class Columns
{
public:
    explicit Columns(const TableSchema& table)
        : m_table(table)
    {}

    int find(std::string_view name, int fallback) const
    {
        return m_table.columns.empty() ? fallback : m_table.columnIndex(name);
    }

    // The first column whose name ends with `suffix` (ASCII case ignored), or `fallback`.
    int findSuffix(std::string_view suffix, int fallback) const
    {
        if (m_table.columns.empty()) {
            return fallback;
        }
        for (std::size_t i = 0; i < m_table.columns.size(); ++i) {
            const std::string& name = m_table.columns[i].name;
            if (name.size() >= suffix.size() &&
                platform::compareAsciiNoCase(name.substr(name.size() - suffix.size()), suffix) ==
                    0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

private:
    const TableSchema& m_table;
};

const Value* at(const CarvedRow& row, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < row.values.size() ? &row.values[index]
                                                                             : nullptr;
}

std::string textAt(const CarvedRow& row, int index)
{
    const Value* value = at(row, index);
    if (value == nullptr || value->kind == ValueKind::Null) {
        return {};
    }
    return value->kind == ValueKind::Blob ? value->bytes : valueToText(*value);
}

std::int64_t integerAt(const CarvedRow& row, int index)
{
    const Value* value = at(row, index);
    if (value == nullptr) {
        return 0;
    }
    if (value->kind == ValueKind::Integer) {
        return value->integer;
    }
    if (value->kind == ValueKind::Real && std::isfinite(value->real) &&
        std::fabs(value->real) < 9.2e18) {
        return static_cast<std::int64_t>(value->real);
    }
    return 0;
}

std::string cutBeforeAt(const std::string& text)
{
    return text.substr(0, text.find('@'));
}

// Reads `table` and hands each row to `convert` with the table's column finder.
int readRows(Database& db,
             std::string_view table,
             const std::function<void(const Columns&, const CarvedRow&)>& convert)
{
    const TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusInvalid;
    }
    const Columns columns(*schema);
    return db.readTable(table, [&](CarvedRow& row) { convert(columns, row); });
}

} // namespace

unsigned expectedColumns(std::string_view table,
                         unsigned messageColumns,
                         unsigned chatMessageColumns,
                         unsigned contactSearchHint)
{
    struct Entry
    {
        std::string_view name;
        unsigned columns;
    };

    const Entry entries[] = {
        {"ZNOTEBODY", 7},
        {"ZNOTE", 19},
        {"message", messageColumns},
        {"handle", 5},
        {"attachment", 9},
        {"message_attachment_join", 2},
        {"ABPersonFullTextSearch_content", contactSearchHint >= 25 ? 25U : 24U},
        {"call", 13},
        {"Friend", 13},
        {"tb_c2cTables", 1},
        {"ZWAMESSAGE", chatMessageColumns},
        {"ZWACHATSESSION", 25},
        {"ZWAGROUPMEMBER", 13},
        {"ZWAMEDIAITEM", 24},
        {"ZCALLRECORD", 17},
        {"ZWACONTACT", 11},
        {"ZWAPHONE", 9},
    };
    for (const Entry& entry : entries) {
        if (platform::compareAsciiNoCase(table, entry.name) == 0) {
            return entry.columns;
        }
    }
    if (table.rfind("Chat_", 0) == 0) {
        return 9;
    }
    if (table.rfind("tb_c2cMsg", 0) == 0) {
        return 50;
    }
    return 0;
}

std::string appleDateText(const Value& value)
{
    double seconds = 0;
    if (value.kind == ValueKind::Integer) {
        seconds = static_cast<double>(value.integer);
    } else if (value.kind == ValueKind::Real && std::isfinite(value.real)) {
        seconds = value.real;
    } else {
        return {};
    }
    if (std::fabs(seconds) >= kNanosecondThreshold) {
        seconds /= 1e9;
    }
    if (std::fabs(seconds) > 1e12) {
        return {};
    }
    return platform::formatLocal(static_cast<std::int64_t>(std::floor(seconds)) +
                                 platform::kAppleEpochOffset);
}

int readMessages(Database& db, std::vector<MessageRow>& rows)
{
    return readRows(db, "message", [&](const Columns& c, const CarvedRow& row) {
        MessageRow out;
        out.deleted = row.deleted;
        out.rowid = row.rowid.value_or(0);
        out.text = textAt(row, c.find("text", 2));
        out.handleId = integerAt(row, c.find("handle_id", 5));
        if (const Value* date = at(row, c.find("date", 15))) {
            out.date = appleDateText(*date);
        }
        out.isFromMe = integerAt(row, c.find("is_from_me", 21)) != 0;
        out.attributedBody = textAt(row, c.find("attributedBody", 8));
        rows.push_back(std::move(out));
    });
}

int readHandles(Database& db, std::vector<HandleRow>& rows)
{
    return readRows(db, "handle", [&](const Columns& c, const CarvedRow& row) {
        HandleRow out{row.deleted, row.rowid.value_or(0), textAt(row, c.find("id", 1))};
        if (!out.id.empty()) {
            rows.push_back(std::move(out));
        }
    });
}

int readAttachments(Database& db, std::vector<AttachmentRow>& rows)
{
    return readRows(db, "attachment", [&](const Columns& c, const CarvedRow& row) {
        AttachmentRow out{row.deleted, row.rowid.value_or(0), textAt(row, c.find("filename", 4))};
        if (!out.filename.empty()) {
            rows.push_back(std::move(out));
        }
    });
}

int readMessageAttachmentJoins(Database& db, std::vector<MessageAttachmentJoinRow>& rows)
{
    return readRows(db, "message_attachment_join", [&](const Columns& c, const CarvedRow& row) {
        rows.push_back({row.deleted,
                        integerAt(row, c.find("message_id", 0)),
                        integerAt(row, c.find("attachment_id", 1))});
    });
}

int readContactSearch(Database& db, std::vector<ContactSearchRow>& rows)
{
    return readRows(
        db, "ABPersonFullTextSearch_content", [&](const Columns& c, const CarvedRow& row) {
            ContactSearchRow out;
            out.deleted = row.deleted;
            out.rowid = row.rowid.value_or(0);
            out.first = textAt(row, c.findSuffix("First", 1));
            out.last = textAt(row, c.findSuffix("Last", 2));
            out.organization = textAt(row, c.findSuffix("Organization", 7));
            out.phone = textAt(row, c.findSuffix("Phone", 16));
            out.email = textAt(row, c.findSuffix("Email", 17));
            out.address = textAt(row, c.findSuffix("Address", 18));
            out.socialProfile = textAt(row, c.findSuffix("SocialProfile", 19));
            out.url = textAt(row, c.findSuffix("URL", 20));
            rows.push_back(std::move(out));
        });
}

int readNoteBodies(Database& db, std::vector<NoteBodyRow>& rows)
{
    return readRows(db, "ZNOTEBODY", [&](const Columns& c, const CarvedRow& row) {
        rows.push_back({row.deleted, row.rowid.value_or(0), textAt(row, c.find("ZCONTENT", 4))});
    });
}

int readNotes(Database& db, std::vector<NoteRow>& rows)
{
    return readRows(db, "ZNOTE", [&](const Columns& c, const CarvedRow& row) {
        NoteRow out;
        out.deleted = row.deleted;
        out.rowid = row.rowid.value_or(0);
        out.bodyId = integerAt(row, c.find("ZBODY", 11));
        if (const Value* date = at(row, c.find("ZMODIFICATIONDATE", 14))) {
            out.modificationDate = appleDateText(*date);
        }
        out.title = textAt(row, c.find("ZTITLE", 19));
        rows.push_back(std::move(out));
    });
}

int readCalls(Database& db, std::vector<CallRow>& rows)
{
    if (db.findTable("ZCALLRECORD") != nullptr) {
        return readRows(db, "ZCALLRECORD", [&](const Columns& c, const CarvedRow& row) {
            CallRow out;
            out.deleted = row.deleted;
            out.rowid = row.rowid.value_or(0);
            out.outgoing = integerAt(row, c.find("ZORIGINATED", 10)) != 0;
            if (const Value* date = at(row, c.find("ZDATE", 12))) {
                out.date = appleDateText(*date);
            }
            out.duration = integerAt(row, c.find("ZDURATION", 13));
            out.address = textAt(row, c.find("ZADDRESS", 20));
            if (!out.date.empty() && !out.address.empty()) {
                rows.push_back(std::move(out));
            }
        });
    }
    return readRows(db, "call", [&](const Columns& c, const CarvedRow& row) {
        CallRow out;
        out.deleted = row.deleted;
        out.rowid = row.rowid.value_or(0);
        out.address = textAt(row, c.find("address", 1));
        if (const Value* date = at(row, c.find("date", 2));
            date != nullptr && date->kind == ValueKind::Integer) {
            out.date = platform::formatLocal(date->integer);
        }
        out.duration = integerAt(row, c.find("duration", 3));
        out.outgoing = (integerAt(row, c.find("flags", 4)) & 1) != 0;
        if (!out.date.empty() && !out.address.empty()) {
            rows.push_back(std::move(out));
        }
    });
}

int readWhatsAppMessages(Database& db, std::vector<WhatsAppMessageRow>& rows)
{
    return readRows(db, "ZWAMESSAGE", [&](const Columns& c, const CarvedRow& row) {
        WhatsAppMessageRow out;
        out.deleted = row.deleted;
        out.rowid = row.rowid.value_or(0);
        out.isFromMe = integerAt(row, c.find("ZISFROMME", 12)) != 0;
        out.chatSession = integerAt(row, c.find("ZCHATSESSION", 19));
        out.groupMember = integerAt(row, c.find("ZGROUPMEMBER", 20));
        out.mediaItem = integerAt(row, c.find("ZMEDIAITEM", 22));
        if (const Value* date = at(row, c.find("ZMESSAGEDATE", 25))) {
            out.date = appleDateText(*date);
        }
        out.text = textAt(row, c.find("ZTEXT", 32));
        rows.push_back(std::move(out));
    });
}

int readChatSessions(Database& db, std::vector<ChatSessionRow>& rows)
{
    return readRows(db, "ZWACHATSESSION", [&](const Columns& c, const CarvedRow& row) {
        const std::string jid = textAt(row, c.find("ZCONTACTJID", 20));
        rows.push_back({row.deleted,
                        row.rowid.value_or(0),
                        jid.find('@') == std::string::npos ? std::string() : cutBeforeAt(jid),
                        textAt(row, c.find("ZPARTNERNAME", 23))});
    });
}

int readGroupMembers(Database& db, std::vector<GroupMemberRow>& rows)
{
    return readRows(db, "ZWAGROUPMEMBER", [&](const Columns& c, const CarvedRow& row) {
        rows.push_back({row.deleted,
                        row.rowid.value_or(0),
                        integerAt(row, c.find("ZCHATSESSION", 7)),
                        textAt(row, c.find("ZCONTACTNAME", 10)),
                        cutBeforeAt(textAt(row, c.find("ZMEMBERJID", 12)))});
    });
}

int readMediaItems(Database& db, std::vector<MediaItemRow>& rows)
{
    return readRows(db, "ZWAMEDIAITEM", [&](const Columns& c, const CarvedRow& row) {
        rows.push_back(
            {row.deleted, row.rowid.value_or(0), textAt(row, c.find("ZMEDIALOCALPATH", 18))});
    });
}

} // namespace sqlitecarve
