// The call-history category: names from the address book on the calls of either call store,
// in date order.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <vector>

namespace extract {

// Numbers shorter than this never get a name: service numbers would match any row.
inline constexpr std::size_t kShortestNamedNumber = 5;

// Appends the rows to `calls` as calls (incoming unless outgoing, the duration clamped to
// 0…2^31−1 seconds), sets each call's name to the one an AddressBookIndex finds for its
// number (numbers of at least kShortestNamedNumber characters
// only; empty otherwise) and sorts `calls` stably by date.
void buildCalls(const std::vector<sqlitecarve::CallRow>& rows,
                const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                std::vector<CallRecord>& calls);

} // namespace extract
