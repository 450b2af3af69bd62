// The edit history and unsent parts that a message row keeps in `message_summary_info` (devices
// since iOS 16): a binary property list whose "ec" maps each body part's index to the versions
// of that part, oldest first, each a date ("d", seconds since 2001) and an archived body
// ("t"); "rp" lists the indexes of the parts that were unsent, and "otr" has one entry per part.
#pragma once

#include "extract/Records.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace extract {

// What a message's summary says.
struct MessageSummary
{
    // The earlier versions of every part, part by part in index order, each part's oldest
    // first; a part's last version is its current text and is not listed.
    std::vector<MessageEdit> earlier;
    // The last version of every part that has one, in index order, joined without separator.
    std::string latest;
    // How many parts the message has ("otr"), and how many of them were unsent ("rp").
    std::size_t partCount = 0;
    std::size_t unsentParts = 0;
};

// The largest summary read; real ones take a few kilobytes.
inline constexpr std::size_t kMaxSummaryBytes = 1 << 20;

// Reads the summary `blob` into `summary`. A version whose body cannot be read is listed with
// an empty text. Returns 0; the property list reader's status when `blob` is no property list
// of at most kMaxSummaryBytes; kStatusUnsupported when its root is no dictionary.
[[nodiscard]] int readMessageSummary(std::span<const std::uint8_t> blob, MessageSummary& summary);

} // namespace extract
