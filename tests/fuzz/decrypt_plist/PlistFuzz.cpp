// Fuzz target: the guarded plist reader and the MBFile archive on top of it.
#include "decrypt/MbFile.h"
#include "formats/PlistReader.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    formats::Plist plist;
    (void)formats::parsePlist({data, size}, 1 << 20, plist);
    decrypt::MbFileInfo info;
    (void)decrypt::parseMbFile({data, size}, info);
    return 0;
}
