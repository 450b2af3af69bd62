// Remembered substring look-ups of telephone text.
#include "extract/AddressBookIndex.h"

namespace extract {

AddressBookIndex::AddressBookIndex(const std::vector<ContactRecord>& rows)
    : m_rows(rows)
{}

const std::string& AddressBookIndex::nameContaining(const std::string& text)
{
    auto [entry, inserted] = m_found.try_emplace(text);
    if (inserted && !text.empty()) {
        for (const ContactRecord& row : m_rows) {
            if (row.phones.find(text) != std::string::npos) {
                entry->second = row.name;
                break;
            }
        }
    }
    return entry->second;
}

} // namespace extract
