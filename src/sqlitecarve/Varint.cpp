// Varint and serial-type helpers of the SQLite file format.
#include "sqlitecarve/Varint.h"

namespace sqlitecarve {

std::size_t
readVarint(std::span<const std::uint8_t> bytes, std::size_t offset, std::uint64_t& value)
{
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < 9; ++i) {
        if (offset >= bytes.size() || bytes.size() - offset <= i) {
            return 0;
        }
        const std::uint8_t byte = bytes[offset + i];
        if (i == 8) {
            value = (result << 8) | byte;
            return 9;
        }
        result = (result << 7) | (byte & 0x7fU);
        if ((byte & 0x80U) == 0) {
            value = result;
            return i + 1;
        }
    }
    return 0;
}

std::size_t varintLength(std::uint64_t value)
{
    if (value > 0x00ffffffffffffffULL) {
        return 9;
    }
    std::size_t length = 1;
    while (value > 0x7f) {
        value >>= 7;
        ++length;
    }
    return length;
}

std::uint64_t serialTypeContentLength(std::uint64_t type)
{
    switch (type) {
    case 0:
    case 8:
    case 9:
    case 10:
    case 11:
        return 0;
    case 1:
    case 2:
    case 3:
    case 4:
        return type;
    case 5:
        return 6;
    case 6:
    case 7:
        return 8;
    default:
        return (type - 12) / 2;
    }
}

std::size_t
serialTypesLength(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t count)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint64_t ignored = 0;
        const std::size_t length = readVarint(bytes, offset + total, ignored);
        if (length == 0) {
            return 0;
        }
        total += length;
    }
    return total;
}

} // namespace sqlitecarve
