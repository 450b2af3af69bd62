// The live contacts of the address book (AddressBook.sqlitedb), read through the SQLite
// library from the person table and its multi-value rows.
#pragma once

#include "extract/Records.h"

#include <string>
#include <vector>

namespace extract {

// Reads every row of ABPerson at `path` as a contact (organization, name from the first and
// last name, else the organization, else "No Name") with its ABMultiValue rows: the telephone
// numbers as typed, one per line, the e-mail addresses joined by spaces and the first URL.
// Contacts are appended to `contacts` in rowid order. Returns 0, the library's mapped code
// when the file does not open, or 1006 when a query fails (nothing is appended then).
[[nodiscard]] int readPersonTable(const std::string& path, std::vector<ContactRecord>& contacts);

} // namespace extract
