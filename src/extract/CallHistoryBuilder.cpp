// Calls with names through the shared address-book index.
#include "extract/CallHistoryBuilder.h"

#include "extract/AddressBookIndex.h"
#include "extract/TextOrder.h"

#include <algorithm>
#include <limits>

namespace extract {

void buildCalls(const std::vector<sqlitecarve::CallRow>& rows,
                const std::vector<sqlitecarve::ContactSearchRow>& addressBook,
                std::vector<CallRecord>& calls)
{
    for (const sqlitecarve::CallRow& row : rows) {
        CallRecord call;
        call.deleted = row.deleted ? 1 : 0;
        call.incoming = row.outgoing ? 0 : 1;
        call.duration = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(row.duration, 0, std::numeric_limits<std::int32_t>::max()));
        call.date = row.date;
        call.number = row.address;
        calls.push_back(std::move(call));
    }
    AddressBookIndex names(addressBook);
    for (CallRecord& call : calls) {
        call.name.clear();
        if (call.number.size() >= kShortestNamedNumber) {
            call.name = names.nameOf(call.number);
        }
    }
    std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) {
        return textLess(a.date, b.date);
    });
}

} // namespace extract
