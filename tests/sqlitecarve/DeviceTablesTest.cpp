// Device tables with today's layouts: iOS 14's 74-column message table (its CREATE TABLE text
// taken from a real sms.db), a current ZCALLRECORD and the 14-column call table. Live rows are
// read with the right fields and deleted rows are recovered. Every reader's rules for columns
// and for the rows it leaves out, and the Apple date conversion.
#include "sqlitecarve/DeviceTables.h"

#include "SqliteDbBuilder.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <cctype>
#include <limits>
#include <sqlite3.h>

#include <gtest/gtest.h>

namespace {

std::string createTableText(const std::string& path, const std::string& table)
{
    sqlite3* db = nullptr;
    std::string sql;
    if (sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(),
                        &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                        nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(
                db, "SELECT sql FROM sqlite_master WHERE name = ?", -1, &statement, nullptr) ==
            SQLITE_OK) {
            sqlite3_bind_text(statement, 1, table.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(statement) == SQLITE_ROW) {
                sql = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
            }
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return sql;
}

// Builds a database from `schema`, runs `inserts`, then deletes with `deletes`.
std::string buildDatabase(testsupport::TempDir& dir,
                          const std::string& schema,
                          const std::string& inserts,
                          const std::string& deletes)
{
    const std::string path = dir.file("device.db");
    fixtures::SqliteDbBuilder builder;
    EXPECT_EQ(builder.create(path), 0);
    EXPECT_EQ(builder.exec(schema + ";BEGIN;" + inserts + "COMMIT;"), 0) << builder.lastError();
    EXPECT_EQ(builder.exec(deletes), 0) << builder.lastError();
    EXPECT_EQ(builder.close(), 0);
    return path;
}

TEST(DeviceTablesTest, MessagesOfIos14)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(smsDb,
                                    "ios-backup-mvt/3d/3d0d7e5fb2ce288813306e4d4636395e047a3d28");
    const std::string schema = createTableText(smsDb, "message");
    ASSERT_NE(schema.find("thread_originator_part"), std::string::npos);
    std::string inserts;
    for (int i = 1; i <= 40; ++i) {
        inserts += "INSERT INTO message (guid, text, handle_id, date, is_from_me, account_guid) "
                   "VALUES ('GUID-" +
                   std::to_string(i) + "', 'message number " + std::to_string(i) + "', " +
                   std::to_string(i % 4) + ", " + std::to_string(630000000000000000LL + i) + ", " +
                   std::to_string(i % 2) + ", 'ACCOUNT');";
    }
    testsupport::TempDir dir;
    std::string deletes;
    for (int i = 5; i <= 40; i += 5) {
        deletes += "DELETE FROM message WHERE ROWID = " + std::to_string(i) + ";";
    }
    const std::string path = buildDatabase(dir, schema, inserts, deletes);
    // The deleted messages whose text the file still holds: rebalancing may overwrite others.
    const std::string file = testsupport::readFileBytes(path);
    std::size_t surviving = 0;
    for (int i = 5; i <= 40; i += 5) {
        const std::string text = "message number " + std::to_string(i);
        for (std::size_t at = file.find(text); at != std::string::npos;
             at = file.find(text, at + 1)) {
            if (!std::isdigit(static_cast<unsigned char>(file[at + text.size()]))) {
                ++surviving;
                break;
            }
        }
    }
    ASSERT_GT(surviving, 0u);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    ASSERT_EQ(db.findTable("message")->columns.size(), 74u);
    std::vector<sqlitecarve::MessageRow> rows;
    ASSERT_EQ(sqlitecarve::readMessages(db, rows), 0);
    std::size_t live = 0;
    std::size_t recovered = 0;
    for (const auto& row : rows) {
        const auto number = std::stoll(row.text.substr(row.text.rfind(' ') + 1));
        EXPECT_EQ(row.handleId, number % 4) << row.text;
        EXPECT_EQ(row.isFromMe, number % 2 == 1) << row.text;
        EXPECT_EQ(row.date.substr(0, 4), "2020") << row.text;
        if (row.deleted) {
            EXPECT_EQ(number % 5, 0) << row.text;
            ++recovered;
        } else {
            EXPECT_EQ(row.rowid, number);
            ++live;
        }
    }
    EXPECT_EQ(live, 32u);
    EXPECT_EQ(recovered, surviving);
}

TEST(DeviceTablesTest, CallHistoryOfBothLayouts)
{
    struct Case
    {
        const char* name;
        std::string schema;
        std::string insertFormat;
        std::string deletes;
    };

    const std::string callRecord =
        "CREATE TABLE ZCALLRECORD ( Z_PK INTEGER PRIMARY KEY, Z_ENT INTEGER, Z_OPT INTEGER, "
        "ZANSWERED INTEGER, ZCALLTYPE INTEGER, ZDISCONNECTED_CAUSE INTEGER, ZFACE_TIME_DATA "
        "INTEGER, ZNUMBER_AVAILABILITY INTEGER, ZORIGINATED INTEGER, ZREAD INTEGER, "
        "ZJUNKCONFIDENCE INTEGER, ZJUNKIDENTIFICATIONCATEGORY INTEGER, ZDATE TIMESTAMP, "
        "ZDURATION FLOAT, ZADDRESS VARCHAR, ZDEVICE_ID VARCHAR, ZISO_COUNTRY_CODE VARCHAR, "
        "ZLOCATION VARCHAR, ZNAME VARCHAR, ZSERVICE_PROVIDER VARCHAR, ZUNIQUE_ID VARCHAR )";
    const std::string call =
        "CREATE TABLE call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date "
        "INTEGER, duration INTEGER, flags INTEGER, id INTEGER, name TEXT, country_code TEXT, "
        "network_code TEXT, read INTEGER, assisted INTEGER, face_time_data BLOB, "
        "originalAddress TEXT, answered INTEGER)";
    for (const bool current : {true, false}) {
        std::string inserts;
        for (int i = 1; i <= 30; ++i) {
            const std::string number = "'+6421555" + std::to_string(1000 + i) + "'";
            inserts +=
                current
                    ? "INSERT INTO ZCALLRECORD (ZORIGINATED, ZDATE, ZDURATION, ZADDRESS, "
                      "ZSERVICE_PROVIDER) VALUES (" +
                          std::to_string(i % 2) + ", " + std::to_string(600000000 + i) + ".5, " +
                          std::to_string(i * 10) + ".0, " + number + ", 'com.apple.Telephony');"
                    : "INSERT INTO call (address, date, duration, flags, id) VALUES (" + number +
                          ", " + std::to_string(1300000000 + i) + ", " + std::to_string(i * 10) +
                          ", " + std::to_string(4 + i % 2) + ", -1);";
        }
        testsupport::TempDir dir;
        const std::string path =
            buildDatabase(dir,
                          current ? callRecord : call,
                          inserts,
                          current ? "DELETE FROM ZCALLRECORD WHERE Z_PK % 6 = 0;"
                                  : "DELETE FROM call WHERE ROWID % 6 = 0;");
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path), 0);
        std::vector<sqlitecarve::CallRow> rows;
        ASSERT_EQ(current ? sqlitecarve::readCallRecords(db, rows)
                          : sqlitecarve::readLegacyCalls(db, rows),
                  0);
        std::size_t recovered = 0;
        for (const auto& row : rows) {
            const int i = std::stoi(row.address.substr(8)) - 1000;
            EXPECT_EQ(row.outgoing, i % 2 == 1) << row.address;
            EXPECT_EQ(row.duration, i * 10) << row.address;
            EXPECT_EQ(row.date.substr(0, 4), current ? "2020" : "2011") << row.address;
            recovered += row.deleted ? 1 : 0;
            EXPECT_EQ(row.deleted, i % 6 == 0) << row.address;
        }
        EXPECT_EQ(rows.size(), 30u) << (current ? "ZCALLRECORD" : "call");
        EXPECT_EQ(recovered, 5u);
    }
}

std::string field(const std::string& text)
{
    return text;
}

std::string field(std::int64_t number)
{
    return std::to_string(number);
}

std::string field(bool value)
{
    return value ? "1" : "0";
}

// The fields as one "a|b|c" line.
template <typename... Fields> std::string line(const Fields&... fields)
{
    std::string text;
    ((text += field(fields) + "|"), ...);
    text.back() = '\n';
    return text;
}

// The rows that `read` finds in `db` as lines made by `lineOf`, "failed" first on a failure.
template <typename Row, typename LineOf>
std::string rowLines(sqlitecarve::Database& db,
                     int (*read)(sqlitecarve::Database&, std::vector<Row>&),
                     LineOf lineOf)
{
    std::vector<Row> rows;
    std::string text = read(db, rows) == 0 ? "" : "failed\n";
    for (const Row& row : rows) {
        text += lineOf(row);
    }
    return text;
}

TEST(DeviceTablesTest, ColumnsByNameAndRowsLeftOut)
{
    // Columns in unusual places and names, texts that are not UTF-8 (41 FF), control characters,
    // NULLs, blobs and reals where texts and integers belong.
    const std::string schema =
        "CREATE TABLE message (ROWID INTEGER PRIMARY KEY, date, is_from_me, text, handle_id, "
        "service, attributedBody, date_retracted, associated_message_guid, guid, "
        "associated_message_type);"
        "CREATE TABLE chat (ROWID INTEGER PRIMARY KEY, display_name, style, chat_identifier);"
        "CREATE TABLE chat_handle_join (handle_id, chat_id);"
        "CREATE TABLE chat_message_join (message_id, chat_id, message_date);"
        "CREATE TABLE handle (ROWID INTEGER PRIMARY KEY, id);"
        "CREATE TABLE attachment (ROWID INTEGER PRIMARY KEY, total_bytes, filename, transfer_name, "
        "mime_type);"
        "CREATE TABLE chat_recoverable_message_join (message_id, delete_date, chat_id);"
        "CREATE TABLE recoverable_message_part (part_text, message_id, chat_id, part_index);"
        "CREATE TABLE message_attachment_join (attachment_id, message_id);"
        "CREATE TABLE ABPersonFullTextSearch_content (docid INTEGER PRIMARY KEY, "
        "c0PhoneticFirst, c1First, c2Last, c3Organization, C4PHONE, c5Email, c6Address, "
        "c7SocialProfile, c8URL, Phone);"
        "CREATE TABLE ZNOTEBODY (Z_PK INTEGER PRIMARY KEY, ZCONTENT);"
        "CREATE TABLE ZNOTE (Z_PK INTEGER PRIMARY KEY, ZTITLE, ZBODY, ZMODIFICATIONDATE);"
        "CREATE TABLE ZCALLRECORD (Z_PK INTEGER PRIMARY KEY, ZADDRESS, ZDATE, ZDURATION, "
        "ZORIGINATED);"
        "CREATE TABLE call (ROWID INTEGER PRIMARY KEY, address, date, duration, flags);"
        "CREATE TABLE ZWAMESSAGE (Z_PK INTEGER PRIMARY KEY, ZTEXT, ZMESSAGEDATE, ZMEDIAITEM, "
        "ZGROUPMEMBER, ZCHATSESSION, ZISFROMME);"
        "CREATE TABLE ZWACHATSESSION (Z_PK INTEGER PRIMARY KEY, ZPARTNERNAME, ZCONTACTJID);"
        "CREATE TABLE ZWAGROUPMEMBER (Z_PK INTEGER PRIMARY KEY, ZMEMBERJID, ZFIRSTNAME, "
        "ZCONTACTNAME, ZCHATSESSION);"
        "CREATE TABLE ZWAMEDIAITEM (Z_PK INTEGER PRIMARY KEY, ZMEDIALOCALPATH)";
    const std::string inserts =
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (1, 600000000, 1, 'hi', 7, 'SMS', NULL);"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (2, 600000000000000000, 0.0, 'nano', 7.9, NULL, x'01');"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (3, 1, 1, CAST(x'41ff' AS TEXT), 7, NULL, x'01');"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (4, 1, 1, '', 7, NULL, NULL);"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (5, 1, 1, NULL, 7, NULL, 'text, not an archive');"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (6, 1, 1, x'4142', 7, NULL, x'');"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (7, 'text date', 2, 'kept', NULL, 3, NULL);"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (8, 600000000, 0, NULL, 7, 'iMessage', x'040b73');"
        "INSERT INTO message (ROWID, date, is_from_me, text, handle_id, service, attributedBody) "
        "VALUES (9, 1, 0, 'x', 7, CAST(x'ff' AS TEXT), NULL);"
        "INSERT INTO message (ROWID, date_retracted, guid) VALUES (10, 5, 'G10');"
        "INSERT INTO message (ROWID, text, associated_message_type, associated_message_guid) "
        "VALUES (11, 'Loved', 2000, 'p:0/G10'), (12, NULL, 3, 'p:0/G10');"
        "INSERT INTO chat VALUES (1, 'Trip', 43, 'chat1'), (2, NULL, 45, '+6421'), "
        "(3, CAST(x'ff' AS TEXT), 43, 'chat3'), (4, 5, '43', x'00');"
        "INSERT INTO chat_handle_join VALUES (7, 1), (NULL, 2.5);"
        "INSERT INTO chat_message_join VALUES (1, 1, 5);"
        "INSERT INTO handle VALUES (7, '+6421'), (8, ''), (9, NULL), (10, CAST(x'ff' AS TEXT));"
        "INSERT INTO attachment VALUES (3, 12.0, 'a.jpg', 'A.JPG', 'image/jpeg'), "
        "(4, 5, NULL, 'b.jpg', NULL);"
        "INSERT INTO chat_recoverable_message_join VALUES (10, 1, 2), (NULL, 1, 3);"
        "INSERT INTO recoverable_message_part VALUES (x'0102', 10, 2, 1);"
        "INSERT INTO message_attachment_join VALUES (3, 1), (NULL, 2.5);"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (1, 'Phon', 'Anna', 'Ek', 'Org', "
        "'+1 555 ', 'a@b', 'Street', 'tw', 'http://x', 'not this');"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (2, NULL, 'Bo', NULL, NULL, "
        "'555' || char(10) || '1 ', NULL, NULL, NULL, NULL, NULL);"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (3, NULL, 'Cy', NULL, "
        "CAST(x'ff' AS TEXT), '556 ', NULL, NULL, NULL, NULL, NULL);"
        "INSERT INTO ABPersonFullTextSearch_content VALUES (4, NULL, 'Di', NULL, NULL, NULL, "
        "NULL, NULL, NULL, NULL, NULL);"
        "INSERT INTO ZNOTEBODY VALUES (1, '<div>x</div>'), (2, CAST(x'ff' AS TEXT)), (3, 5);"
        "INSERT INTO ZNOTE VALUES (1, 'T', 1, 600000000.5), (2, CAST(x'ff' AS TEXT), 2, 1), "
        "(3, NULL, 3, NULL);"
        "INSERT INTO ZCALLRECORD VALUES (1, '+6421', 600000000.9, 61.7, 1), "
        "(2, '+6422', 0, 5, 0), (3, '', 600000000, 5, 0), (4, '+64' || char(9), 600000000, 5, 0), "
        "(5, '+6423', 600000000, -3, NULL);"
        "INSERT INTO call VALUES (1, '+6421', 1300000000, 10, 5), (2, '+6422', 0, 10, 4), "
        "(3, '+6423', 1300000000.9, 10, 4);"
        "INSERT INTO ZWAMESSAGE VALUES (1, 'yo', 600000000, 4, 5, 2, 1), "
        "(2, NULL, NULL, NULL, NULL, NULL, NULL), (3, CAST(x'ff' AS TEXT), 1, 1, 1, 1, 1);"
        "INSERT INTO ZWACHATSESSION VALUES (2, 'Anna', '6421@s.whatsapp.net'), "
        "(3, 'Group', 'no-at-sign'), (4, CAST(x'ff' AS TEXT), 'x@y');"
        "INSERT INTO ZWAGROUPMEMBER VALUES (5, '6422@s', 'First', 'Contact', 3), "
        "(6, '6423@s', 'First', '', 3), (7, 'no-at', 'First', NULL, 3), "
        "(8, 'x@y', CAST(x'ff' AS TEXT), NULL, 3), (9, 'x@y', CAST(x'ff' AS TEXT), 'Named', 3);"
        "INSERT INTO ZWAMEDIAITEM VALUES (4, 'Media/a.jpg'), (5, NULL), (6, CAST(x'ff' AS TEXT));";
    testsupport::TempDir dir;
    const std::string path = buildDatabase(dir, schema, inserts, "");
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    const std::string appleDate = sqlitecarve::appleDateText(std::int64_t{600000000});
    const std::string unixDate = sqlitecarve::appleDateText(std::int64_t{1300000000} - 978307200);
    using namespace sqlitecarve;

    const struct
    {
        const char* table;
        std::string found;
        std::string expected;
    } cases[] = {
        {"message",
         rowLines(db,
                  readMessages,
                  [](const auto& r) {
                      const std::string detail = r.detail == nullptr
                                                     ? "-"
                                                     : std::to_string(r.detail->associatedType) +
                                                           " " + r.detail->associatedGuid + " " +
                                                           field(r.detail->retracted);
                      return line(r.rowid,
                                  r.text,
                                  static_cast<std::int64_t>(r.attributedBody.size()),
                                  r.handleId,
                                  r.date,
                                  r.isFromMe,
                                  r.service,
                                  r.guidKey == messageGuidKey("G10"),
                                  detail);
                  }),
         "1|hi|0|7|" + appleDate + "|1|SMS|0|-\n2|nano|0|7|" + appleDate +
             "|0||0|-\n7|kept|0|0||1||0|-\n8||3|7|" + appleDate +
             "|0|iMessage|0|-\n10||0|0||0||1|0  1\n11|Loved|0|0||0||0|2000 p:0/G10 0\n"},
        {"chat",
         rowLines(
             db,
             readChats,
             [](const auto& r) { return line(r.rowid, r.style, r.chatIdentifier, r.displayName); }),
         "1|43|chat1|Trip\n2|45|+6421|\n4|0||\n"},
        {"chat_handle_join",
         rowLines(
             db, readChatHandleJoins, [](const auto& r) { return line(r.chatId, r.memberId); }),
         "1|7\n2|0\n"},
        {"chat_message_join",
         rowLines(
             db, readChatMessageJoins, [](const auto& r) { return line(r.chatId, r.memberId); }),
         "1|1\n"},
        {"handle",
         rowLines(db, readHandles, [](const auto& r) { return line(r.rowid, r.address); }),
         "7|+6421\n"},
        {"attachment",
         rowLines(db,
                  readAttachments,
                  [](const auto& r) {
                      return line(r.rowid, r.fileName, r.transferName, r.mimeType, r.totalBytes);
                  }),
         "3|a.jpg|A.JPG|image/jpeg|12\n"},
        {"chat_recoverable_message_join",
         rowLines(db,
                  readRecoverableMessageJoins,
                  [](const auto& r) { return line(r.chatId, r.memberId); }),
         "2|10\n3|0\n"},
        {"recoverable_message_part",
         rowLines(db,
                  readRecoverableParts,
                  [](const auto& r) {
                      return line(r.chatId,
                                  r.messageId,
                                  r.partIndex,
                                  static_cast<std::int64_t>(r.partText.size()));
                  }),
         "2|10|1|2\n"},
        {"message_attachment_join",
         rowLines(db,
                  readMessageAttachmentJoins,
                  [](const auto& r) { return line(r.messageId, r.attachmentId); }),
         "1|3\n2|0\n"},
        {"ABPersonFullTextSearch_content",
         rowLines(db,
                  readContactSearch,
                  [](const auto& r) {
                      return line(r.rowid,
                                  r.first,
                                  r.last,
                                  r.organization,
                                  r.phone,
                                  r.email,
                                  r.address,
                                  r.socialProfile,
                                  r.url);
                  }),
         "1|Anna|Ek|Org|+1 555 |a@b|Street|tw|http://x\n4|Di|||||||\n"},
        {"ZNOTEBODY",
         rowLines(db, readNoteBodies, [](const auto& r) { return line(r.rowid, r.content); }),
         "1|<div>x</div>\n3|\n"},
        {"ZNOTE",
         rowLines(db,
                  readNotes,
                  [](const auto& r) { return line(r.bodyId, r.title, r.modificationDate); }),
         "1|T|" + appleDate + "\n3||\n"},
        {"ZCALLRECORD",
         rowLines(db,
                  readCallRecords,
                  [](const auto& r) {
                      return line(r.rowid, r.address, r.date, r.duration, r.outgoing);
                  }),
         "1|+6421|" + appleDate + "|61|1\n5|+6423|" + appleDate + "|-3|0\n"},
        {"call",
         rowLines(
             db, readLegacyCalls, [](const auto& r) { return line(r.rowid, r.date, r.outgoing); }),
         "1|" + unixDate + "|1\n3|" + unixDate + "|0\n"},
        {"ZWAMESSAGE",
         rowLines(db,
                  readWhatsAppMessages,
                  [](const auto& r) {
                      return line(
                          r.text, r.date, r.mediaItem, r.groupMember, r.chatSession, r.isFromMe);
                  }),
         "yo|" + appleDate + "|4|5|2|1\n||0|0|0|0\n"},
        {"ZWACHATSESSION",
         rowLines(db,
                  readChatSessions,
                  [](const auto& r) { return line(r.rowid, r.contactJid, r.partnerName); }),
         "2|6421|Anna\n3||Group\n"},
        {"ZWAGROUPMEMBER",
         rowLines(db,
                  readGroupMembers,
                  [](const auto& r) { return line(r.rowid, r.memberJid, r.name, r.chatSession); }),
         "5|6422|Contact|3\n6|6423|First|3\n7||First|3\n9|x|Named|3\n"},
        {"ZWAMEDIAITEM",
         rowLines(db, readMediaItems, [](const auto& r) { return line(r.rowid, r.localPath); }),
         "4|Media/a.jpg\n5|\n"},
    };

    for (const auto& c : cases) {
        EXPECT_EQ(c.found, c.expected) << c.table;
    }

    // A database without the tables reads no rows and no failure.
    const std::string empty = dir.file("empty.db");
    fixtures::SqliteDbBuilder builder;
    ASSERT_EQ(builder.create(empty), 0);
    ASSERT_EQ(builder.exec("CREATE TABLE other (x)"), 0);
    ASSERT_EQ(builder.close(), 0);
    sqlitecarve::Database none;
    ASSERT_EQ(none.open(empty), 0);
    std::vector<MessageRow> messages;
    EXPECT_EQ(readMessages(none, messages), 0);
    EXPECT_TRUE(messages.empty());
}

TEST(DeviceTablesTest, RootPagesOfATableAndItsIndexes)
{
    testsupport::TempDir dir;
    const std::string path =
        buildDatabase(dir,
                      "CREATE TABLE t (a, b); CREATE INDEX t_a ON t(a); CREATE TABLE u (c)",
                      "INSERT INTO t VALUES (1, 2);",
                      "");
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    sqlitecarve::PageKeyMap roots;
    db.findRootPages("T", roots);
    EXPECT_EQ(roots.size(), 2u);
    EXPECT_EQ(roots.begin()->second, -1);
}

TEST(DeviceTablesTest, AppleDates)
{
    using sqlitecarve::appleDateText;
    const std::string seconds = appleDateText(std::int64_t{630000000});
    // Pacific/Chatham is 13:45 ahead of UTC in January (daylight time).
    EXPECT_EQ(appleDateText(std::int64_t{1}), "2001-01-01 13:45:01");

    const struct
    {
        std::string found;
        std::string expected;
        const char* why;
    } cases[] = {
        {appleDateText(std::int64_t{0}), "", "0 is no date"},
        {appleDateText(0.0), "", "0.0 is no date"},
        {appleDateText(std::int64_t{630000000} * 1000000000), seconds, "nanoseconds"},
        {appleDateText(std::int64_t{630000000999999999}), seconds, "nanoseconds cut, not rounded"},
        {appleDateText(std::int64_t{-630000000999999999}),
         appleDateText(std::int64_t{-630000000}),
         "negative nanoseconds cut toward zero"},
        {appleDateText(630000000.75), seconds, "reals rounded down"},
        {appleDateText(-0.5), appleDateText(std::int64_t{-1}), "reals rounded down below 0"},
        {appleDateText(1.0e12 + 1), "", "reals beyond 10^12"},
        {appleDateText(std::numeric_limits<double>::quiet_NaN()), "", "NaN"},
        {appleDateText(std::numeric_limits<double>::infinity()), "", "infinity"},
    };

    for (const auto& c : cases) {
        EXPECT_EQ(c.found, c.expected) << c.why;
    }
    EXPECT_NE(appleDateText(1.0e11), appleDateText(std::int64_t{100}))
        << "reals are never nanoseconds";
}

} // namespace
