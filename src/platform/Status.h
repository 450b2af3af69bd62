// Every status code of the system in one place. Operations return an int: 0 is success, the
// fixed codes below have the meanings shown, and errno values of the platform pass through.
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

// Our own block, kept apart from errno values (which are positive and small) and from the
// fixed codes above.
inline constexpr int kStatusCorrupt = -1001;
inline constexpr int kStatusCycle = -1002;
inline constexpr int kStatusTooDeep = -1003;
inline constexpr int kStatusTruncated = -1004;
inline constexpr int kStatusUnsupported = -1005;
inline constexpr int kStatusCancelled = -1006;

// A short English name for a status, for command-line messages; errno values get the
// system's text.
const char* statusName(int status);

} // namespace platform
