// Name look-ups in the address book's full-text rows by telephone text, shared by the
// messages and call-history builders. A look-up answers with the name of the first row whose
// telephone text contains the searched text character for character; each distinct text is
// searched once and remembered.
#pragma once

#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace extract {

class AddressBookIndex
{
public:
    // Keeps a reference to `rows`, which must outlive the index.
    explicit AddressBookIndex(const std::vector<sqlitecarve::ContactSearchRow>& rows);

    // The contact name (first and last name, as contactName makes it) of the first row whose
    // telephone text contains `text`; empty when none does or `text` is empty.
    const std::string& nameContaining(const std::string& text);

private:
    const std::vector<sqlitecarve::ContactSearchRow>& m_rows;
    std::unordered_map<std::string, std::string> m_found;
};

} // namespace extract
