// The forensic corpus: every database is read by the carve command without a failure of the
// process, our live rows equal the SQLite library's, and recovery reaches its scores.
#include "CorpusScore.h"
#include "cli/CarveCommand.h"
#include "cli/JsonWriter.h"
#include "sqlitecarve/Database.h"
#include "support/SharedFixtures.h"

#include <filesystem>
#include <sqlite3.h>
#include <sstream>

#include <gtest/gtest.h>

namespace {

const char* const kCorpus = "sqlite-forensic-corpus-v1.0";

std::vector<std::string> corpusDatabases(const std::string& root)
{
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.path().extension() == ".db") {
            paths.push_back(entry.path().string());
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

std::int64_t libraryRowCount(const std::string& path, const std::string& table)
{
    sqlite3* db = nullptr;
    std::int64_t count = -1;
    if (sqlite3_open_v2(("file:" + path + "?immutable=1").c_str(),
                        &db,
                        SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                        nullptr) == SQLITE_OK) {
        std::string quotedName = "\"";
        for (const char c : table) {
            quotedName += c == '"' ? std::string("\"\"") : std::string(1, c);
        }
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT count(*) FROM " + quotedName + "\"";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            count = sqlite3_column_int64(statement, 0);
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

TEST(CorpusTest, CarveReadsEveryDatabase)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(root, kCorpus);
    const auto databases = corpusDatabases(root);
    ASSERT_EQ(databases.size(), 77u);
    for (const std::string& path : databases) {
        for (const bool json : {false, true}) {
            std::ostringstream out;
            std::ostringstream err;
            std::vector<std::string> args{path};
            if (json) {
                args.push_back("--json");
            }
            const int status = cli::runCarve(args, out, err);
            EXPECT_EQ(status, 0) << path << ": " << err.str();
            if (json) {
                std::istringstream lines(out.str());
                for (std::string line; std::getline(lines, line);) {
                    ASSERT_TRUE(line.front() == '{' && line.back() == '}') << path << line;
                }
            }
        }
    }
}

TEST(CorpusTest, LiveRowsEqualTheLibrarys)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(root, kCorpus);
    for (const std::string& path : corpusDatabases(root)) {
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path), 0) << path;
        for (const std::string& table : db.tableNames()) {
            std::vector<sqlitecarve::CarvedRow> rows;
            EXPECT_EQ(db.readTable(table, rows, {false, {}}), 0) << path << " " << table;
            EXPECT_EQ(static_cast<std::int64_t>(rows.size()), libraryRowCount(path, table))
                << path << " " << table;
        }
    }
}

// The lines of `text` that contain `part`.
std::vector<std::string> linesWith(const std::string& text, const std::string& part)
{
    std::vector<std::string> found;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.find(part) != std::string::npos) {
            found.push_back(line);
        }
    }
    return found;
}

TEST(CorpusTest, LiveOnlyCarvePrintsTheLibrarysRows)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(root, kCorpus);
    for (const std::string& path : corpusDatabases(root)) {
        std::ostringstream whole;
        std::ostringstream live;
        std::ostringstream err;
        ASSERT_EQ(cli::runCarve({path, "--json"}, whole, err), 0) << path << err.str();
        ASSERT_EQ(cli::runCarve({path, "--json", "--live-only"}, live, err), 0) << path;
        // The live rows, as the whole carve prints them, and nothing else.
        EXPECT_EQ(linesWith(live.str(), "\"deleted\": "), linesWith(whole.str(), "\"deleted\": 0"))
            << path;
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path), 0) << path;
        for (const std::string& table : db.tableNames()) {
            const std::string start = "{\"table\": " + cli::jsonQuote(table) + ", \"deleted\": 0";
            std::int64_t rows = 0;
            for (const std::string& line : linesWith(live.str(), start)) {
                rows += line.rfind(start, 0) == 0 ? 1 : 0;
            }
            EXPECT_EQ(rows, libraryRowCount(path, table)) << path << " " << table;
        }
    }
}

TEST(CorpusTest, RecoveryScores)
{
    BRENVALE_REQUIRE_SHARED_FIXTURE(root, kCorpus);
    const auto scores = corpus::scoreCorpus(root);

    struct Target
    {
        const char* folder;
        double recall;
        double precision;
    };

    // Floors at what the reader reaches today, so that a change that loses rows or invents
    // them fails here. 0B, 0D and 0E stop where the file no longer holds a row's bytes (the
    // rest were overwritten by later rows, a free-list trunk or secure deletion).
    const Target targets[] = {
        {"0A", 1.00, 1.00},
        {"0C", 1.00, 1.00},
        {"0B", 0.40, 1.00},
        {"0D", 0.42, 1.00},
        {"0E", 0.33, 1.00},
        {"07", 1.00, 1.00},
        {"09", 0.03, 0.97},
    };
    for (const Target& target : targets) {
        const corpus::Score& score = scores.at(target.folder);
        EXPECT_GE(score.recall(), target.recall) << target.folder;
        EXPECT_GE(score.precision(), target.precision) << target.folder;
    }
    for (const auto& [folder, score] : scores) {
        EXPECT_EQ(score.liveReportedDeleted, 0u) << folder;
        EXPECT_EQ(score.failures, 0u) << folder;
    }
}

} // namespace
