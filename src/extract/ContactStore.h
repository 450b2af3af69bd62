// The live contacts of the address book (AddressBook.sqlitedb), read through the SQLite
// library from the person table and its multi-value rows.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

// The label as the device shows it: a built-in label stored as "_$!<Name>!$_" in small
// letters, a word for each capitalised part ("_$!<HomeFAX>!$_" → "home fax"), "iPhone" kept;
// any other text (the owner's own label) unchanged.
std::string shownLabel(std::string_view stored);

// Reads every row of ABPerson at `path` as a contact: first and last name, organization, job
// title, birthday and note, with its ABMultiValue rows: every telephone number, e-mail, web and
// postal address with its label (from ABMultiValueLabel; address parts from ABMultiValueEntry).
// Columns or value tables a generation lacks leave their fields empty. The one-text fields
// are filled from the lists (numbers one per line, e-mails joined by spaces, addresses one per
// line, the first web address); a card without person name is named by its organization,
// else "No Name". Contacts are appended to `contacts` in rowid order. Returns 0, the library's
// mapped code when the file does not open, or 1006 when ABPerson or ABMultiValue does not
// read (nothing is appended then).
[[nodiscard]] int readPersonTable(const std::string& path, std::vector<ContactRecord>& contacts);

} // namespace extract
