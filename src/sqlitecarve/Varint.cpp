// Varint and serial-type helpers of the SQLite file format.
#include "sqlitecarve/Varint.h"

namespace sqlitecarve {

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

} // namespace sqlitecarve
