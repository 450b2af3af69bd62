// Whole-process benchmarks of our own SQLite reader:
//   recovery FOLDER      100,000 rows (about 15 MB), 50,000 of them deleted one by one: time
//                        and peak memory to read the table and recover every deleted row.
//   live FOLDER MEGABYTES  a table of about MEGABYTES: time to read every live row, beside
//                        `sqlite3 FILE 'select * from T' >/dev/null` in the same run.
// Databases are built in FOLDER with the SQLite library on the first run and kept.
#include "SqliteDbBuilder.h"
#include "sqlitecarve/Database.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

long peakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

int build(const std::string& path, std::int64_t rows, std::size_t noteLength, bool deleteHalf)
{
    if (std::filesystem::exists(path)) {
        return 0;
    }
    fixtures::SqliteDbBuilder builder;
    int status = builder.create(path);
    std::string sql = fixtures::peopleTableSql() + "BEGIN;";
    for (std::int64_t id = 1; status == 0 && id <= rows; ++id) {
        sql += fixtures::insertPersonSql(fixtures::personRow(id, noteLength));
        if (sql.size() > (1 << 24)) {
            status = builder.exec(sql);
            sql.clear();
        }
    }
    if (status == 0) {
        status = builder.exec(sql + "COMMIT;");
    }
    if (status == 0 && deleteHalf) {
        status = builder.exec("BEGIN; DELETE FROM people WHERE id % 2 = 0; COMMIT;");
    }
    const int closeStatus = builder.close();
    return status != 0 ? status : closeStatus;
}

int recovery(const std::string& folder)
{
    const std::string path = folder + "/recovery-100k.db";
    if (build(path, 100000, 100, true) != 0) {
        std::fprintf(stderr, "cannot build %s\n", path.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    sqlitecarve::Database db;
    if (db.open(path) != 0) {
        return 1;
    }
    std::size_t live = 0;
    std::size_t recovered = 0;
    const int status = db.readTable(
        "people", [&](sqlitecarve::CarvedRow& row) { (row.deleted ? recovered : live) += 1; });
    std::printf("recovery: %.1f MB, %zu live, %zu recovered of 50000 deleted, %.3f s, peak %ld "
                "KB (status %d)\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                live,
                recovered,
                secondsSince(start),
                peakKilobytes(),
                status);
    return 0;
}

int liveRead(const std::string& folder, long megabytes)
{
    const std::int64_t rows = megabytes * 1000000 / 560;
    const std::string path = folder + "/live-" + std::to_string(megabytes) + "mb.db";
    if (build(path, rows, 500, false) != 0) {
        std::fprintf(stderr, "cannot build %s\n", path.c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    sqlitecarve::Database db;
    if (db.open(path) != 0) {
        return 1;
    }
    std::size_t count = 0;
    std::size_t bytes = 0;
    const int status = db.readTable(
        "people",
        [&](sqlitecarve::CarvedRow& row) {
            ++count;
            bytes += row.values[2].bytes.size();
        },
        sqlitecarve::ReadOptions{false, {}});
    const double ours = secondsSince(start);
    start = std::chrono::steady_clock::now();
    const std::string command = "sqlite3 '" + path + "' 'select * from people' >/dev/null";
    const int shell = std::system(command.c_str());
    const double theirs = secondsSince(start);
    std::printf("live read: %.0f MB, %zu rows (%zu note bytes): ours %.2f s (status %d), "
                "sqlite3 shell %.2f s (exit %d), peak %ld KB\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                count,
                bytes,
                ours,
                status,
                theirs,
                shell,
                peakKilobytes());
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string folder = argc > 2 ? argv[2] : "/tmp";
    if (mode == "recovery") {
        return recovery(folder);
    }
    if (mode == "live") {
        return liveRead(folder, argc > 3 ? std::atol(argv[3]) : 500);
    }
    std::fprintf(stderr, "usage: bench_sqlitecarve recovery|live FOLDER [MEGABYTES]\n");
    return 2;
}
