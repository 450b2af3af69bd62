// Fuzz target: Manifest.mbdb decoding of arbitrary bytes. Every entry it yields must be whole:
// a non-empty domain-path and a 40-digit name.
#include "catalogue/ManifestMbdb.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<catalogue::ManifestEntry> entries;
    (void)catalogue::parseManifestMbdb(std::span(data, size), entries);
    for (const catalogue::ManifestEntry& entry : entries) {
        if (entry.domainPath.size() < 3 || entry.fileId.size() != 40) {
            std::abort();
        }
    }
    return 0;
}
