// The contacts category: the address book's full-text rows as contacts, with a display name
// and the telephone numbers one per line.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

inline constexpr std::string_view kNoName = "No Name";

// The telephone text of a full-text row rebuilt as one number per line: the pieces followed by
// a space are the tokens; a token is kept when it has at least 7 characters and its last four
// differ from those of the token kept before it. Kept tokens are joined with "\n".
std::string cleanPhoneText(std::string_view raw);

// The first name, a space and the last name of `row`, or the one of them that is given.
std::string contactName(const sqlitecarve::ContactSearchRow& row);

// Appends the rows with telephone text to `contacts` as contacts: named by contactName, or
// "No Name" when that is empty, with the telephone text cleaned; then sorts `contacts` stably
// by name.
void buildContacts(const std::vector<sqlitecarve::ContactSearchRow>& rows,
                   std::vector<ContactRecord>& contacts);

} // namespace extract
