// Call names through the shared address-book index.
#include "extract/CallHistoryBuilder.h"

#include "extract/AddressBookIndex.h"
#include "extract/TextOrder.h"

#include <algorithm>

namespace extract {

void nameAndSortCalls(std::vector<CallRecord>& calls, const std::vector<ContactRecord>& addressBook)
{
    AddressBookIndex names(addressBook);
    for (CallRecord& call : calls) {
        call.name.clear();
        if (call.number.size() >= kShortestNamedNumber) {
            call.name = names.nameContaining(call.number);
        }
    }
    std::stable_sort(calls.begin(), calls.end(), [](const CallRecord& a, const CallRecord& b) {
        return textLess(a.date, b.date);
    });
}

} // namespace extract
