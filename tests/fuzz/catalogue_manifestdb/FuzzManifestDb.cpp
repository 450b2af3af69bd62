// Fuzz target: Manifest.db reading of arbitrary bytes through the SQLite library. The reader
// may fail on a damaged file; it must never crash, hang or read outside a buffer.
#include "ScratchFile.h"
#include "catalogue/ManifestDb.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::ScratchFile file("Manifest.db");
    if (!file.assign(data, size)) {
        return 0;
    }
    std::vector<catalogue::ManifestEntry> manifest;
    (void)catalogue::readManifestDb(file.path(), manifest);
    return 0;
}
