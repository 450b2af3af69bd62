// Recording of failure details.
#include "Diagnostics.h"

#include "Status.h"

namespace platform {

int failAt(Diagnostics* sink,
           int status,
           std::uint64_t page,
           const char* message,
           std::source_location where)
{
    if (sink != nullptr) {
        sink->add({page, message, where.function_name(), where.line()});
    }
    return status;
}

int corruptAt(Diagnostics* sink,
              std::uint64_t page,
              const char* message,
              std::source_location where)
{
    return failAt(sink, kStatusCorrupt, page, message, where);
}

} // namespace platform
