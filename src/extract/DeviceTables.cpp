// Typed rows of the device tables, taken by column name from our own reader's rows.
#include "extract/DeviceTables.h"

#include "platform/Clock.h"
#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/Database.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

namespace extract {

namespace {

using sqlitecarve::CarvedRow;
using sqlitecarve::Value;
using sqlitecarve::ValueKind;

// Integers beyond this many seconds since 2001 are nanoseconds (newer messages databases).
constexpr std::int64_t kNanosecondThreshold = 100'000'000'000;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

// The column positions of one table, looked up by name once per read.
class Columns
{
public:
    Columns(const sqlitecarve::Database& db, std::string_view table)
        : m_schema(db.findTable(table))
    {}

    bool exists() const { return m_schema != nullptr; }

    // Position of the column called `name` (without regard to ASCII case), or -1.
    int operator[](std::string_view name) const
    {
        return m_schema != nullptr ? m_schema->columnIndex(name) : -1;
    }

    // Position of the first column whose name, without its leading "c" and digits, is
    // `suffix` (the full-text table numbers its columns: c15Phone, c16Phone …), or -1.
    int numbered(std::string_view suffix) const
    {
        if (m_schema == nullptr) {
            return -1;
        }
        for (std::size_t i = 0; i < m_schema->columns.size(); ++i) {
            std::string_view name = m_schema->columns[i].name;
            if (name.empty() || (name.front() != 'c' && name.front() != 'C')) {
                continue;
            }
            name.remove_prefix(1);
            const std::size_t digits = name.find_first_not_of("0123456789");
            if (digits == 0 || digits == std::string_view::npos) {
                continue;
            }
            if (platform::compareAsciiNoCase(name.substr(digits), suffix) == 0) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

private:
    const sqlitecarve::TableSchema* m_schema;
};

const Value* valueAt(const CarvedRow& row, int column)
{
    if (column < 0 || static_cast<std::size_t>(column) >= row.values.size()) {
        return nullptr;
    }
    return &row.values[static_cast<std::size_t>(column)];
}

std::int64_t integerAt(const CarvedRow& row, int column)
{
    const Value* value = valueAt(row, column);
    if (value == nullptr) {
        return 0;
    }
    if (value->kind == ValueKind::Integer) {
        return value->integer;
    }
    if (value->kind == ValueKind::Real && std::isfinite(value->real) &&
        std::fabs(value->real) < 9.0e18) {
        return static_cast<std::int64_t>(value->real);
    }
    return 0;
}

std::int32_t int32At(const CarvedRow& row, int column)
{
    return static_cast<std::int32_t>(integerAt(row, column));
}

// A contact's name: first and last name with one space between them when both are given.
std::string fullName(std::string first, const std::string& last)
{
    if (!first.empty() && !last.empty()) {
        first += ' ';
    }
    return first + last;
}

// The text of a column; texts that are not valid UTF-8 set `valid` to false.
std::string textAt(const CarvedRow& row, int column, bool& valid)
{
    const Value* value = valueAt(row, column);
    if (value == nullptr || value->kind != ValueKind::Text) {
        return {};
    }
    if (!platform::isValidUtf8(value->bytes)) {
        valid = false;
        return {};
    }
    return value->bytes;
}

std::string textAt(const CarvedRow& row, int column)
{
    bool valid = true;
    return textAt(row, column, valid);
}

std::string dateAt(const CarvedRow& row, int column)
{
    const Value* value = valueAt(row, column);
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

std::int32_t rowIdOf(const CarvedRow& row)
{
    return row.rowid ? static_cast<std::int32_t>(*row.rowid) : 0;
}

bool hasControlCharacter(std::string_view text)
{
    return std::any_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

// Reads every row of `table` (live, then recovered) into `sink`, live rows decoding only
// `columns` (the ones the sink looks at); a missing table reads nothing. Read errors after
// the open end the table with what was read: a damaged page never hides the rows of the
// others.
template <typename Sink>
void readRows(sqlitecarve::Database& db,
              std::string_view table,
              std::vector<int> columns,
              Sink sink)
{
    if (db.findTable(table) == nullptr) {
        return;
    }
    sqlitecarve::ReadOptions options;
    options.columns = std::move(columns);
    (void)db.readTable(
        table, [&sink](CarvedRow& row) { sink(row); }, options);
}

// Opens `path` in `db`; a missing file reads 87, the category operations' code for a needed
// file that is not there. A file that is there but is no readable database (the reader's 87
// for a bad header, or a schema that could not be read at all) reads as corrupt, so that the
// scan can tell damage from absence.
int openDatabase(sqlitecarve::Database& db, const std::string& path)
{
    const int status = db.open(path);
    if (status == platform::statusFromErrno(ENOENT)) {
        return platform::kStatusInvalid;
    }
    if (status == platform::kStatusInvalid) {
        return platform::kStatusCorrupt;
    }
    return status == platform::kStatusOk && db.tableNames().empty() ? db.schemaStatus() : status;
}

} // namespace

std::string appleDateText(std::int64_t integer)
{
    if (integer == 0) {
        return {};
    }
    const std::int64_t seconds =
        std::llabs(integer) >= kNanosecondThreshold ? integer / kNanosecondsPerSecond : integer;
    return platform::formatLocal(seconds + platform::kAppleEpochOffset);
}

std::string appleDateText(double seconds)
{
    if (!std::isfinite(seconds) || seconds == 0.0 || std::fabs(seconds) > 1.0e12) {
        return {};
    }
    return platform::formatLocal(static_cast<std::int64_t>(std::floor(seconds)) +
                                 platform::kAppleEpochOffset);
}

std::string jidUser(const std::string& jid)
{
    const std::size_t at = jid.find('@');
    return at == std::string::npos ? std::string() : jid.substr(0, at);
}

int readMessageTables(const std::string& path,
                      MessageTables& tables,
                      std::int64_t& maxMessageRowid,
                      const TableProgress& progress)
{
    sqlitecarve::Database db;
    if (const int status = openDatabase(db, path); status != platform::kStatusOk) {
        return status;
    }
    const auto stopAfter = [&](int tablesRead) {
        const int answer = progress ? progress(tablesRead) : 0;
        if (answer != 0) {
            tables = MessageTables{};
        }
        return answer;
    };
    const Columns message(db, "message");
    const int text = message["text"];
    const int handle = message["handle_id"];
    const int date = message["date"];
    const int fromMe = message["is_from_me"];
    readRows(db, "message", {text, handle, date, fromMe}, [&](const CarvedRow& row) {
        bool valid = true;
        MessageRecord record;
        record.text = textAt(row, text, valid);
        if (!valid || record.text.empty()) {
            return;
        }
        record.deleted = row.deleted ? 1 : 0;
        record.isFromMe = integerAt(row, fromMe) != 0 ? 1 : 0;
        record.rowId = rowIdOf(row);
        record.handleId = int32At(row, handle);
        record.date = dateAt(row, date);
        if (row.rowid) {
            maxMessageRowid = std::max(maxMessageRowid, *row.rowid);
        }
        tables.messages.push_back(std::move(record));
    });
    if (const int answer = stopAfter(1); answer != 0) {
        return answer;
    }
    const Columns handleTable(db, "handle");
    const int address = handleTable["id"];
    readRows(db, "handle", {address}, [&](const CarvedRow& row) {
        HandleRow record{row.deleted ? 1 : 0, rowIdOf(row), textAt(row, address)};
        if (!record.address.empty()) {
            tables.handles.push_back(std::move(record));
        }
    });
    if (const int answer = stopAfter(2); answer != 0) {
        return answer;
    }
    const Columns attachment(db, "attachment");
    const int fileName = attachment["filename"];
    readRows(db, "attachment", {fileName}, [&](const CarvedRow& row) {
        AttachmentRow record{row.deleted ? 1 : 0, rowIdOf(row), 0, textAt(row, fileName)};
        if (!record.fileName.empty()) {
            tables.attachments.push_back(std::move(record));
        }
    });
    if (const int answer = stopAfter(3); answer != 0) {
        return answer;
    }
    const Columns join(db, "message_attachment_join");
    const int joinMessage = join["message_id"];
    const int joinAttachment = join["attachment_id"];
    readRows(
        db, "message_attachment_join", {joinMessage, joinAttachment}, [&](const CarvedRow& row) {
            tables.joins.push_back(
                {row.deleted ? 1 : 0, int32At(row, joinAttachment), int32At(row, joinMessage)});
        });
    return stopAfter(4);
}

int readAddressBook(const std::string& path,
                    std::vector<ContactRecord>& rows,
                    std::int64_t& lastDocid)
{
    sqlitecarve::Database db;
    if (const int status = openDatabase(db, path); status != platform::kStatusOk) {
        return status;
    }
    static constexpr std::string_view kTable = "ABPersonFullTextSearch_content";
    const Columns columns(db, kTable);
    const int first = columns.numbered("First");
    const int last = columns.numbered("Last");
    const int organization = columns.numbered("Organization");
    const int phone = columns.numbered("Phone");
    const int email = columns.numbered("Email");
    const int address = columns.numbered("Address");
    const int social = columns.numbered("SocialProfile");
    const int url = columns.numbered("URL");
    readRows(db,
             kTable,
             {first, last, organization, phone, email, address, social, url},
             [&](const CarvedRow& row) {
                 bool valid = true;
                 ContactRecord record;
                 record.deleted = row.deleted ? 1 : 0;
                 record.name = fullName(textAt(row, first, valid), textAt(row, last, valid));
                 record.company = textAt(row, organization, valid);
                 record.phones = textAt(row, phone, valid);
                 record.email = textAt(row, email, valid);
                 record.address = textAt(row, address, valid);
                 record.social = textAt(row, social, valid);
                 record.url = textAt(row, url, valid);
                 if (!valid || hasControlCharacter(record.phones)) {
                     return;
                 }
                 if (row.rowid) {
                     lastDocid = std::max(lastDocid, *row.rowid);
                 }
                 rows.push_back(std::move(record));
             });
    return platform::kStatusOk;
}

int readCallTable(const std::string& path, bool coreDataStore, std::vector<CallRecord>& calls)
{
    sqlitecarve::Database db;
    if (const int status = openDatabase(db, path); status != platform::kStatusOk) {
        return status;
    }
    const std::string_view table = coreDataStore ? "ZCALLRECORD" : "call";
    const Columns columns(db, table);
    const int address = columns[coreDataStore ? "ZADDRESS" : "address"];
    const int date = columns[coreDataStore ? "ZDATE" : "date"];
    const int duration = columns[coreDataStore ? "ZDURATION" : "duration"];
    const int direction = columns[coreDataStore ? "ZORIGINATED" : "flags"];
    readRows(db, table, {address, date, duration, direction}, [&](const CarvedRow& row) {
        bool valid = true;
        CallRecord record;
        record.deleted = row.deleted ? 1 : 0;
        record.number = textAt(row, address, valid);
        if (coreDataStore) {
            record.date = dateAt(row, date);
            record.incoming = integerAt(row, direction) == 0 ? 1 : 0;
        } else {
            const std::int64_t unixSeconds = integerAt(row, date);
            record.date = unixSeconds != 0 ? platform::formatLocal(unixSeconds) : std::string();
            record.incoming = (integerAt(row, direction) & 1) == 0 ? 1 : 0;
        }
        const std::int64_t seconds = integerAt(row, duration);
        record.duration = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(seconds, 0, std::numeric_limits<std::int32_t>::max()));
        if (!valid || record.date.empty() || record.number.empty() ||
            hasControlCharacter(record.number)) {
            return;
        }
        calls.push_back(std::move(record));
    });
    return platform::kStatusOk;
}

int readLegacyNotes(const std::string& path,
                    std::vector<NoteRecord>& bodies,
                    std::vector<NoteRecord>& noteRows)
{
    sqlitecarve::Database db;
    if (const int status = openDatabase(db, path); status != platform::kStatusOk) {
        return status;
    }
    const Columns body(db, "ZNOTEBODY");
    const int content = body["ZCONTENT"];
    readRows(db, "ZNOTEBODY", {content}, [&](const CarvedRow& row) {
        bool valid = true;
        NoteRecord record;
        record.deleted = row.deleted ? 1 : 0;
        record.key = rowIdOf(row);
        record.content = textAt(row, content, valid);
        if (valid) {
            bodies.push_back(std::move(record));
        }
    });
    const Columns note(db, "ZNOTE");
    const int bodyRef = note["ZBODY"];
    const int modified = note["ZMODIFICATIONDATE"];
    const int title = note["ZTITLE"];
    readRows(db, "ZNOTE", {bodyRef, modified, title}, [&](const CarvedRow& row) {
        bool valid = true;
        NoteRecord record;
        record.deleted = row.deleted ? 1 : 0;
        record.key = int32At(row, bodyRef);
        record.date = dateAt(row, modified);
        record.title = textAt(row, title, valid);
        if (valid) {
            noteRows.push_back(std::move(record));
        }
    });
    return platform::kStatusOk;
}

int readWhatsAppTables(const std::string& path, WhatsAppTables& tables)
{
    sqlitecarve::Database db;
    if (const int status = openDatabase(db, path); status != platform::kStatusOk) {
        return status;
    }
    const Columns media(db, "ZWAMEDIAITEM");
    const int localPath = media["ZMEDIALOCALPATH"];
    readRows(db, "ZWAMEDIAITEM", {localPath}, [&](const CarvedRow& row) {
        bool valid = true;
        WhatsAppMediaRef record{rowIdOf(row), textAt(row, localPath, valid)};
        if (valid) {
            tables.media.push_back(std::move(record));
        }
    });
    const Columns session(db, "ZWACHATSESSION");
    const int contactJid = session["ZCONTACTJID"];
    const int partnerName = session["ZPARTNERNAME"];
    readRows(db, "ZWACHATSESSION", {contactJid, partnerName}, [&](const CarvedRow& row) {
        bool valid = true;
        WhatsAppSession record;
        record.id = rowIdOf(row);
        record.partnerAddress = jidUser(textAt(row, contactJid, valid));
        record.partnerName = textAt(row, partnerName, valid);
        if (valid) {
            tables.sessions.push_back(std::move(record));
        }
    });
    const Columns member(db, "ZWAGROUPMEMBER");
    const int memberSession = member["ZCHATSESSION"];
    const int contactName = member["ZCONTACTNAME"];
    const int firstName = member["ZFIRSTNAME"];
    const int memberJid = member["ZMEMBERJID"];
    readRows(db,
             "ZWAGROUPMEMBER",
             {memberSession, contactName, firstName, memberJid},
             [&](const CarvedRow& row) {
                 bool valid = true;
                 WhatsAppGroupMember record;
                 record.id = rowIdOf(row);
                 record.sessionId = int32At(row, memberSession);
                 record.address = jidUser(textAt(row, memberJid, valid));
                 record.name = textAt(row, contactName, valid);
                 if (record.name.empty()) {
                     record.name = textAt(row, firstName, valid);
                 }
                 if (valid) {
                     tables.members.push_back(std::move(record));
                 }
             });
    const Columns message(db, "ZWAMESSAGE");
    const int fromMe = message["ZISFROMME"];
    const int chat = message["ZCHATSESSION"];
    const int groupMember = message["ZGROUPMEMBER"];
    const int mediaItem = message["ZMEDIAITEM"];
    const int date = message["ZMESSAGEDATE"];
    const int text = message["ZTEXT"];
    readRows(db,
             "ZWAMESSAGE",
             {fromMe, chat, groupMember, mediaItem, date, text},
             [&](const CarvedRow& row) {
                 bool valid = true;
                 WhatsAppMessage record;
                 record.deleted = row.deleted ? 1 : 0;
                 record.isFromMe = integerAt(row, fromMe) != 0 ? 1 : 0;
                 record.rowId = rowIdOf(row);
                 record.sessionId = int32At(row, chat);
                 record.memberId = int32At(row, groupMember);
                 record.mediaId = int32At(row, mediaItem);
                 record.date = dateAt(row, date);
                 record.text = textAt(row, text, valid);
                 if (valid) {
                     tables.messages.push_back(std::move(record));
                 }
             });
    return platform::kStatusOk;
}

} // namespace extract
