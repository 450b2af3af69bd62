// Contacts as vCard 3.0 (RFC 2426), the file address books import: one card per contact with
// its names, organization, job title, every number, e-mail, postal and web address with its
// label, birthday and note.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// `text` as a vCard text value: backslash, comma and semicolon preceded by a backslash, each
// line end (CR LF, CR or LF) written "\n"; other control characters dropped and bytes that
// are not UTF-8 written as U+FFFD.
std::string vCardText(std::string_view text);

// The content line `line` (without line end) folded as RFC 2425 says: pieces of at most 75
// octets, each ending in CR LF, every piece after the first starting with one space; a cut
// never falls inside a UTF-8 sequence.
std::string foldedLine(std::string_view line);

// The card of `contact`: BEGIN, VERSION, FN, N, ORG, TITLE, TEL, EMAIL, ADR, URL, BDAY, NOTE,
// END, each a folded line. Built-in labels become TYPE parameters ("mobile" TYPE=CELL);
// the owner's own labels go with their value into a group with an X-ABLabel line, the form
// common address books read. A deleted contact's NOTE begins by saying it was deleted.
std::string vCard(const extract::ContactRecord& contact);

// Writes the cards of `contacts`, in order, to `path`, replacing it. Returns 0, or the status
// of the failed write.
[[nodiscard]] int writeVCardFile(const std::string& path,
                                 const std::vector<const extract::ContactRecord*>& contacts);

} // namespace exporting
