// Mapping of system and SQLite errors into our blocks, and the texts of statuses.
#include "Status.h"

#include <array>
#include <cstring>

namespace platform {

namespace {

// Texts of the SQLite primary result codes 1 to 28, by code. An extended code carries its
// primary code in its low byte.
constexpr std::array<const char*, 29> kSqliteTexts = {
    "database success",
    "database error",
    "internal error of the database library",
    "database access denied",
    "database operation aborted",
    "database file is busy",
    "database table is locked",
    "database library is out of memory",
    "database is read-only",
    "database operation interrupted",
    "input or output error in the database",
    "database file is damaged",
    "unknown database operation",
    "database or disk is full",
    "database file cannot be opened",
    "database lock protocol error",
    "database is empty",
    "database schema changed",
    "value too big for the database",
    "database constraint failed",
    "data type mismatch in the database",
    "database library misused",
    "database too large for this system",
    "database access not authorised",
    "database format error",
    "database parameter out of range",
    "file is not a database",
    "database notice",
    "database warning",
};

int mapInto(int base, int raw)
{
    return raw > 0 && raw < kStatusBlockSize ? base - raw : kStatusFailed;
}

int rawOf(int base, int status)
{
    const long long raw = static_cast<long long>(base) - status;
    return raw > 0 && raw < kStatusBlockSize ? static_cast<int>(raw) : 0;
}

const char* fixedName(int status)
{
    switch (status) {
    case kStatusOk:
        return "success";
    case kStatusShortRead:
        return "read ended early";
    case kStatusInvalid:
        return "missing file or invalid data";
    case kStatusQueryFailed:
        return "database query failed";
    case kStatusMbdbOpenFailed:
        return "Manifest.mbdb cannot be opened";
    case kStatusWrongPassword:
        return "wrong password";
    case kStatusStopped:
        return "stopped by the user";
    case kStatusFailed:
        return "failed";
    case kStatusCorrupt:
        return "corrupt data";
    case kStatusCycle:
        return "cycle in a chain of references";
    case kStatusTooDeep:
        return "structure nested too deeply";
    case kStatusTruncated:
        return "data truncated";
    case kStatusUnsupported:
        return "unsupported format";
    default:
        return nullptr;
    }
}

} // namespace

int statusFromErrno(int error)
{
    return mapInto(kStatusSystemBase, error);
}

int statusFromSqlite(int code)
{
    return code == 0 ? kStatusOk : mapInto(kStatusSqliteBase, code);
}

int errnoOf(int status)
{
    return rawOf(kStatusSystemBase, status);
}

int sqliteCodeOf(int status)
{
    return rawOf(kStatusSqliteBase, status);
}

const char* statusName(int status)
{
    if (const char* name = fixedName(status); name != nullptr) {
        return name;
    }
    if (const int error = errnoOf(status); error != 0) {
        return std::strerror(error);
    }
    if (const int code = sqliteCodeOf(status); code != 0) {
        const auto primary = static_cast<std::size_t>(code & 0xff);
        return primary < kSqliteTexts.size() ? kSqliteTexts[primary] : "database error";
    }
    return "unknown status";
}

} // namespace platform
