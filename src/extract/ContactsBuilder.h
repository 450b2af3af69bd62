// The contacts category: the address book's full-text rows as contacts, with a display name
// and the telephone numbers, whole, one per line.
#pragma once

#include "extract/Records.h"
#include "sqlitecarve/DeviceRows.h"

#include <string>
#include <string_view>
#include <vector>

namespace extract {

inline constexpr std::string_view kNoName = "No Name";

// The telephone text of a full-text row rebuilt as one number per line. The device writes each
// number as the owner typed it ("(919) 579-0479", "+44 20 7946 0958"), then forms it derives
// from it (digits only, with or without country code, the local part), each piece followed by
// a space. A piece of digits only (a leading "+" allowed) with at least 7 digits is a derived
// form when its digits end with those of the number being read, or those end with its own,
// and that number has at least 7 digits; derived forms are dropped. Any other piece starts the
// next number when a derived form followed the number being read, or when that number and the
// piece both have at least 7 digits; otherwise it continues the number being read.
std::string cleanPhoneText(std::string_view raw);

// The first name, a space and the last name of `row`, or the one of them that is given.
std::string contactName(const sqlitecarve::ContactSearchRow& row);

// The parts of `address` that are given, joined by ", ".
std::string addressText(const ContactAddress& address);

// One line per value: "label: value", or the value alone when it has no label.
std::string labelledLines(const std::vector<ContactValue>& values);

// One line per address: "label: " when it has one, then its addressText.
std::string addressLines(const std::vector<ContactAddress>& addresses);

// Appends the rows (all of them, or only the deleted ones when `deletedOnly`) that have a
// name, organization, telephone text or e-mail to `contacts` as contacts: named by contactName,
// else by the organization, else "No Name", with the telephone text cleaned; the lists hold
// the numbers, the e-mails, the web address and the address text (as the street) without
// labels, which the full-text rows do not keep. Then sorts `contacts` stably by name.
void buildContacts(const std::vector<sqlitecarve::ContactSearchRow>& rows,
                   std::vector<ContactRecord>& contacts,
                   bool deletedOnly = false);

} // namespace extract
