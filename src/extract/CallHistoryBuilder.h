// The call-history category: names from the address book on the calls of either call store,
// in date order.
#pragma once

#include "extract/Records.h"

#include <vector>

namespace extract {

// Numbers this long or shorter never get a name: service numbers would match any row.
inline constexpr std::size_t kShortestNamedNumber = 5;

// Sets each call's name to that of the first address-book row whose telephone text contains
// its number (numbers of at least kShortestNamedNumber characters only; empty otherwise) and
// sorts the calls stably by date.
void nameAndSortCalls(std::vector<CallRecord>& calls,
                      const std::vector<ContactRecord>& addressBook);

} // namespace extract
