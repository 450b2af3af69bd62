// The contacts category: the address book's full-text rows as contacts, with a display name
// and the telephone numbers one per line.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

inline constexpr std::string_view kNoName = "No Name";

// The telephone text of a full-text row rebuilt as one number per line: the pieces followed by
// a space are the tokens; a token is kept when it has at least 7 characters and its last four
// differ from those of the token kept before it. Kept tokens are joined with "\n".
std::string cleanPhoneText(std::string_view raw);

// Drops the rows without telephone text, names the nameless "No Name", cleans the telephone
// text of the others and sorts them stably by name.
void buildContacts(std::vector<ContactRecord>& rows);

} // namespace extract
