// Fuzz target: keybag parsing, and unlocking with a fixed key when the keybag parses (the
// unwrap sees hostile WPKY values; iteration counts are not used, so it stays fast).
#include "decrypt/Keybag.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    decrypt::Keybag keybag;
    if (decrypt::parseKeybag({data, size}, keybag) != 0) {
        return 0;
    }
    decrypt::Key256 kek;
    decrypt::ClassKeys keys;
    (void)decrypt::unlockClassKeys(keybag, kek, keys);
    return 0;
}
