// Remembered substring look-ups of telephone text.
#include "extract/AddressBookIndex.h"

#include "extract/ContactsBuilder.h"

namespace extract {

AddressBookIndex::AddressBookIndex(const std::vector<sqlitecarve::ContactSearchRow>& rows)
    : m_rows(rows)
{}

const std::string& AddressBookIndex::nameContaining(const std::string& text)
{
    auto [entry, inserted] = m_found.try_emplace(text);
    if (inserted && !text.empty()) {
        for (const sqlitecarve::ContactSearchRow& row : m_rows) {
            if (row.phone.find(text) != std::string::npos) {
                entry->second = contactName(row);
                break;
            }
        }
    }
    return entry->second;
}

} // namespace extract
