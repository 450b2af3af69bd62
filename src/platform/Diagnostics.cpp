// Recording of failure details.
#include "Diagnostics.h"

#include "Status.h"

namespace platform {

int failAt(Diagnostics* sink,
           int status,
           std::uint64_t page,
           std::uint64_t offset,
           const char* message,
           std::source_location where)
{
    if (sink != nullptr) {
        sink->add({page, offset, message, where.function_name(), where.line()});
    }
    return status;
}

int failAt(Diagnostics* sink,
           int status,
           std::uint64_t page,
           const char* message,
           std::source_location where)
{
    return failAt(sink, status, page, 0, message, where);
}

int corruptAt(Diagnostics* sink,
              std::uint64_t page,
              const char* message,
              std::source_location where)
{
    return failAt(sink, kStatusCorrupt, page, 0, message, where);
}

int corruptAt(Diagnostics* sink,
              std::uint64_t page,
              std::uint64_t offset,
              const char* message,
              std::source_location where)
{
    return failAt(sink, kStatusCorrupt, page, offset, message, where);
}

} // namespace platform
