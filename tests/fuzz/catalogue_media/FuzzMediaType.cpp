// Fuzz target: media type sniffing of arbitrary bytes, whole and as the in-memory namer sees
// them. A known type always has an extension, and a name is given exactly for a known type.
#include "catalogue/MediaType.h"

#include <algorithm>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    const int code = catalogue::sniffMediaType(bytes);
    if ((code == catalogue::kMediaUnknown) != catalogue::mediaExtension(code).empty()) {
        std::abort();
    }
    std::int64_t counter = 7;
    std::string name;
    (void)catalogue::nameMediaBuffer(bytes, counter, name);
    const int prefixCode =
        catalogue::sniffMediaType(bytes.first(std::min(size, catalogue::kMediaBufferSniffBytes)));
    const bool named = prefixCode != catalogue::kMediaUnknown;
    if (named != !name.empty() || counter != (named ? 8 : 7)) {
        std::abort();
    }
    return 0;
}
