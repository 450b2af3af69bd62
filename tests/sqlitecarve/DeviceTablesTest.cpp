// Device tables with today's layouts: iOS 14's 74-column message table (its CREATE TABLE text
// taken from a real sms.db), a current ZCALLRECORD and the 14-column call table. Live rows are
// read with the right fields and deleted rows are recovered.
#include "sqlitecarve/DeviceTables.h"

#include "SqliteDbBuilder.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <cctype>
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
        ASSERT_EQ(sqlitecarve::readCalls(db, rows), 0);
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

TEST(DeviceTablesTest, FallbackColumnCounts)
{
    const std::pair<const char*, unsigned> cases[] = {{"znote", 19},
                                                      {"ZNOTEBODY", 7},
                                                      {"Chat_abc", 9},
                                                      {"chat_abc", 0},
                                                      {"tb_c2cMsg_1", 50},
                                                      {"Tb_c2cMsg_1", 0},
                                                      {"call", 13},
                                                      {"MESSAGE", 38},
                                                      {"unknown", 0},
                                                      {"ZCALLRECORD", 17},
                                                      {"ZWAMESSAGE", 28}};
    for (const auto& [name, count] : cases) {
        EXPECT_EQ(sqlitecarve::expectedColumns(name), count) << name;
    }
    EXPECT_EQ(sqlitecarve::expectedColumns("ABPersonFullTextSearch_content", 38, 28, 25), 25u)
        << "a hint of 25 means 25 columns";
    EXPECT_EQ(sqlitecarve::expectedColumns("ABPersonFullTextSearch_content", 38, 28, 24), 24u);
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
    sqlitecarve::Value seconds;
    seconds.kind = sqlitecarve::ValueKind::Integer;
    seconds.integer = 0;
    // Pacific/Chatham is 13:45 ahead of UTC in January (daylight time).
    EXPECT_EQ(sqlitecarve::appleDateText(seconds).substr(0, 10), "2001-01-01");
    sqlitecarve::Value nanoseconds = seconds;
    nanoseconds.integer = 630000000LL * 1000000000LL;
    sqlitecarve::Value real;
    real.kind = sqlitecarve::ValueKind::Real;
    real.real = 630000000.75;
    EXPECT_EQ(sqlitecarve::appleDateText(nanoseconds), sqlitecarve::appleDateText(real));
    EXPECT_TRUE(sqlitecarve::appleDateText(sqlitecarve::Value{}).empty());
}

} // namespace
