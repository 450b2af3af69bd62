// Names of status codes for messages shown to command-line users.
#include "Status.h"

#include <cstring>

namespace platform {

const char* statusName(int status)
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
    case kStatusCancelled:
        return "cancelled";
    default:
        return status > 0 ? std::strerror(status) : "unknown status";
    }
}

} // namespace platform
