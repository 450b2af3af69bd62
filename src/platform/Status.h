// Every status code of the system in one place. Operations return an int: 0 is success, the
// fixed codes below have the meanings shown, and errors of the operating system and of the
// SQLite library are mapped into blocks of their own, so that one number means one thing.
#pragma once

namespace platform {

inline constexpr int kStatusOk = 0;
// A read that ended before the requested count of bytes arrived.
inline constexpr int kStatusShortRead = 30;
// A missing file, bad input or undecodable data.
inline constexpr int kStatusInvalid = 87;
// A query through the SQLite library failed after the database opened.
inline constexpr int kStatusQueryFailed = 1006;
// Manifest.mbdb could not be opened.
inline constexpr int kStatusMbdbOpenFailed = 6009;
// The backup password does not open the backup.
inline constexpr int kStatusWrongPassword = -110;
// The user asked the running operation to stop.
inline constexpr int kStatusStopped = 2;
// A generic failure with no more specific code.
inline constexpr int kStatusFailed = -1;

// Our own block, kept apart from the fixed codes above and from the mapped blocks below.
inline constexpr int kStatusCorrupt = -1001;
inline constexpr int kStatusCycle = -1002;
inline constexpr int kStatusTooDeep = -1003;
inline constexpr int kStatusTruncated = -1004;
inline constexpr int kStatusUnsupported = -1005;

// The mapped blocks: a system error (errno) e reads kStatusSystemBase - e, a SQLite result
// code c (extended codes included) reads kStatusSqliteBase - c. Raw codes from 1 to
// kStatusBlockSize - 1 fit; the raw value stays recoverable for messages.
inline constexpr int kStatusBlockSize = 0x10000;
inline constexpr int kStatusSystemBase = -0x100000;
inline constexpr int kStatusSqliteBase = -0x200000;

// The status of the system error `error`, an errno value read right after a failed call;
// kStatusFailed when `error` is 0 or too large for the block (the call failed without saying
// why).
int statusFromErrno(int error);

// The status of the SQLite result code `code`: 0 for SQLITE_OK, the mapped value for any
// other code (kStatusFailed for a negative or too large one).
int statusFromSqlite(int code);

// The errno value held by a status of the system block, or 0 for any other status.
int errnoOf(int status);

// The SQLite result code held by a status of the SQLite block, or 0 for any other status.
int sqliteCodeOf(int status);

// A short English text for a status, for messages: the fixed and own codes by name, system
// errors with the system's text, SQLite codes by their primary code, anything else
// "unknown status". Never null.
const char* statusName(int status);

} // namespace platform
