// The two progress callbacks of the recovery source: one for scans and preview copies, one
// for copies and exports that also learn the status and the file concerned.
#pragma once

#include <string>

namespace extract {

// Receives the caller's user data and the percent reached; returns 0 to go on, 2 to ask the
// running operation to stop.
using ScanProgressCallback = int (*)(void* userData, int percent);

// Receives the caller's user data, the percent reached, the operation's status so far and the
// path it writes; returns 0 to go on, any other value stops the operation and becomes its
// result.
using ProgressCallback = int (*)(void* userData, int percent, int status, const std::string& path);

} // namespace extract
