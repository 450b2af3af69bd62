// The one text order of the extracted lists: names and date texts compared without regard to
// ASCII case, byte by byte otherwise.
#pragma once

#include "platform/Text.h"

#include <string_view>

namespace extract {

// True when `a` sorts before `b`.
inline bool textLess(std::string_view a, std::string_view b)
{
    return platform::compareAsciiNoCase(a, b) < 0;
}

} // namespace extract
