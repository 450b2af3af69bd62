// Whole-process benchmarks of our own SQLite reader:
//   recovery FOLDER      100,000 rows (about 15 MB), 50,000 of them deleted one by one: time
//                        and peak memory to read the table and recover every deleted row.
//   live FOLDER MEGABYTES  a table of about MEGABYTES: time to read every live row, beside
//                        `sqlite3 FILE 'select * from T' >/dev/null` in the same run.
//   json FOLDER          400,000 rows, every fifth deleted: `brenvale-cli carve --json`
//                        (every live and recovered row) and `carve --json --live-only` beside
//                        `sqlite3 -json FILE 'select * from T'` (the live rows), each writing to
//                        /dev/null, and their ratios.
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

int build(const std::string& path, std::int64_t rows, std::size_t noteLength, int deleteEvery)
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
    if (status == 0 && deleteEvery > 0) {
        status = builder.exec("BEGIN; DELETE FROM people WHERE id % " +
                              std::to_string(deleteEvery) + " = 0; COMMIT;");
    }
    const int closeStatus = builder.close();
    return status != 0 ? status : closeStatus;
}

int recovery(const std::string& folder)
{
    const std::string path = folder + "/recovery-100k.db";
    if (build(path, 100000, 100, 2) != 0) {
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
    if (build(path, rows, 500, 0) != 0) {
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

// The processor seconds (user and system) the finished children of this process have used.
double childProcessorSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// What running `command` through the shell cost: wall and processor seconds (negative when it
// fails). Processor time is what compares fairly on a busy machine.
struct CommandTime
{
    double wall = -1.0;
    double processor = -1.0;
};

CommandTime timedCommand(const std::string& command)
{
    const double before = childProcessorSeconds();
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        return {};
    }
    return {secondsSince(start), childProcessorSeconds() - before};
}

int jsonDump(const std::string& folder, const std::string& cli)
{
    const std::string path = folder + "/json-400k.db";
    if (build(path, 400000, 100, 5) != 0) {
        std::fprintf(stderr, "cannot build %s\n", path.c_str());
        return 1;
    }
    const std::string file = "'" + path + "'";
    const CommandTime ours = timedCommand(cli + " carve --json " + file + " >/dev/null");
    const CommandTime theirs =
        timedCommand("sqlite3 -json " + file + " 'select * from people' >/dev/null");
    const CommandTime liveOnly =
        timedCommand(cli + " carve --json --live-only " + file + " >/dev/null");
    const std::string counted = folder + "/json-400k.count";
    const int counting = std::system(
        (cli + " carve --json " + file + " | grep -c '\"deleted\": 1' >'" + counted + "'").c_str());
    long recovered = -1;
    FILE* in = counting == 0 ? std::fopen(counted.c_str(), "r") : nullptr;
    if (in != nullptr) {
        if (std::fscanf(in, "%ld", &recovered) != 1) {
            recovered = -1;
        }
        std::fclose(in);
    }
    std::printf("json dump: %.1f MB, %ld of 80000 deleted rows recovered: carve --json %.2f s "
                "(processor %.2f s), sqlite3 -json %.2f s (processor %.2f s), ratio %.2f "
                "(processor %.2f); --live-only %.2f s (processor %.2f s), ratio %.2f (processor "
                "%.2f)\n",
                static_cast<double>(std::filesystem::file_size(path)) / 1e6,
                recovered,
                ours.wall,
                ours.processor,
                theirs.wall,
                theirs.processor,
                theirs.wall > 0 ? ours.wall / theirs.wall : 0.0,
                theirs.processor > 0 ? ours.processor / theirs.processor : 0.0,
                liveOnly.wall,
                liveOnly.processor,
                theirs.wall > 0 ? liveOnly.wall / theirs.wall : 0.0,
                theirs.processor > 0 ? liveOnly.processor / theirs.processor : 0.0);
    return ours.wall < 0 || theirs.wall < 0 || liveOnly.wall < 0 ? 1 : 0;
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
    if (mode == "json") {
        const std::filesystem::path self = std::filesystem::absolute(argv[0]);
        return jsonDump(folder, "'" + (self.parent_path() / "brenvale-cli").string() + "'");
    }
    std::fprintf(stderr, "usage: bench_sqlitecarve recovery|live|json FOLDER [MEGABYTES]\n");
    return 2;
}
