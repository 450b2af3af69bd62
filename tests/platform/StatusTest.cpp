// Every status means one thing: the named codes are distinct and named, and no system or
// SQLite error lands on a named code or on another block.
#include "platform/Status.h"

#include "platform/File.h"
#include "support/TempDir.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>

using namespace platform;

TEST(StatusTest, NamedCodesAreDistinctAndNoMappedErrorLandsOnOne)
{
    const std::map<int, std::string> named = {
        {kStatusOk, "success"},
        {kStatusShortRead, "read ended early"},
        {kStatusInvalid, "missing file or invalid data"},
        {kStatusQueryFailed, "database query failed"},
        {kStatusMbdbOpenFailed, "Manifest.mbdb cannot be opened"},
        {kStatusWrongPassword, "wrong password"},
        {kStatusStopped, "stopped by the user"},
        {kStatusFailed, "failed"},
        {kStatusCorrupt, "corrupt data"},
        {kStatusCycle, "cycle in a chain of references"},
        {kStatusTooDeep, "structure nested too deeply"},
        {kStatusTruncated, "data truncated"},
        {kStatusUnsupported, "unsupported format"},
    };
    ASSERT_EQ(named.size(), 13U) << "two named codes share a number";
    for (const auto& [status, name] : named) {
        EXPECT_EQ(statusName(status), name) << status;
        EXPECT_EQ(errnoOf(status), 0) << status;
        EXPECT_EQ(sqliteCodeOf(status), 0) << status;
    }

    // Every raw code that fits a block maps to a value of its own that gives the raw code
    // back: neither on a named code nor in the other block.
    for (int raw = 1; raw < kStatusBlockSize; ++raw) {
        const int system = statusFromErrno(raw);
        const int sqlite = statusFromSqlite(raw);
        ASSERT_EQ(named.count(system), 0U) << "errno " << raw;
        ASSERT_EQ(named.count(sqlite), 0U) << "SQLite code " << raw;
        ASSERT_EQ(errnoOf(system), raw);
        ASSERT_EQ(sqliteCodeOf(system), 0);
        ASSERT_EQ(sqliteCodeOf(sqlite), raw);
        ASSERT_EQ(errnoOf(sqlite), 0);
    }

    // What no block can hold, and the texts of mapped codes.
    const struct
    {
        int status;
        std::string name;
    } edges[] = {
        {statusFromErrno(0), "failed"},
        {statusFromErrno(-5), "failed"},
        {statusFromErrno(kStatusBlockSize), "failed"},
        {statusFromSqlite(0), "success"},
        {statusFromSqlite(-1), "failed"},
        {statusFromErrno(ENOENT), std::strerror(ENOENT)},
        {statusFromErrno(ENOSPC), std::strerror(ENOSPC)},
        {statusFromSqlite(11), "database file is damaged"},
        {statusFromSqlite(26), "file is not a database"},
        {statusFromSqlite(10 | (1 << 8)), "input or output error in the database"},
        {statusFromSqlite(200), "database error"},
        {123456, "unknown status"},
    };

    for (const auto& edge : edges) {
        EXPECT_EQ(statusName(edge.status), edge.name) << edge.status;
    }

    // The platform's calls hand out mapped values.
    testsupport::TempDir dir;
    File file;
    EXPECT_EQ(file.openRead(dir.file("absent")), statusFromErrno(ENOENT));
    EXPECT_EQ(file.openRead(dir.path()), statusFromErrno(EISDIR));
    ASSERT_EQ(writeWholeFile(dir.file("plain"), "x"), kStatusOk);
    EXPECT_EQ(createFolders(dir.file("plain/sub")), statusFromErrno(ENOTDIR));
    EXPECT_EQ(writeWholeFile("/dev/full", "x"), statusFromErrno(ENOSPC));
}
