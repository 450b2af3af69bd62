// Fuzz target: the decryption tool's Manifest.mbdb decoding of arbitrary bytes. Every record
// it yields carries a 40-digit file name and, when it has a key, a key of the wrapped size.
#include "decrypt/Mbdb.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<decrypt::MbdbRecord> records;
    (void)decrypt::parseMbdb({data, size}, records);
    for (const decrypt::MbdbRecord& record : records) {
        if (record.fileId.size() != 40 || (record.key && record.key->wrapped.size() != 40)) {
            std::abort();
        }
    }
    return 0;
}
