// Contacts from the address book's full-text rows.
#include "extract/ContactsBuilder.h"

#include "extract/TextOrder.h"

#include <algorithm>

namespace extract {

namespace {

// Number of code points of UTF-8 `text` (continuation bytes are not counted).
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// The last `count` characters of UTF-8 `text` (all of it when shorter).
std::string_view lastCharacters(std::string_view text, std::size_t count)
{
    std::size_t start = text.size();
    while (start > 0 && count > 0) {
        --start;
        if ((static_cast<unsigned char>(text[start]) & 0xC0) != 0x80) {
            --count;
        }
    }
    return text.substr(start);
}

} // namespace

std::string cleanPhoneText(std::string_view raw)
{
    std::string result;
    std::string_view previousEnding;
    bool first = true;
    std::size_t start = 0;
    for (std::size_t space = raw.find(' '); space != std::string_view::npos;
         start = space + 1, space = raw.find(' ', start)) {
        const std::string_view token = raw.substr(start, space - start);
        if (characterCount(token) < 7) {
            continue;
        }
        const std::string_view ending = lastCharacters(token, 4);
        if (!first && ending == previousEnding) {
            continue;
        }
        if (!first) {
            result += '\n';
        }
        result += token;
        previousEnding = ending;
        first = false;
    }
    return result;
}

std::string contactName(const sqlitecarve::ContactSearchRow& row)
{
    if (!row.first.empty() && !row.last.empty()) {
        return row.first + ' ' + row.last;
    }
    return row.first + row.last;
}

void buildContacts(const std::vector<sqlitecarve::ContactSearchRow>& rows,
                   std::vector<ContactRecord>& contacts)
{
    for (const sqlitecarve::ContactSearchRow& row : rows) {
        if (row.phone.empty()) {
            continue;
        }
        ContactRecord contact;
        contact.deleted = row.deleted ? 1 : 0;
        contact.email = row.email;
        contact.address = row.address;
        contact.social = row.socialProfile;
        contact.url = row.url;
        contact.phones = cleanPhoneText(row.phone);
        contact.company = row.organization;
        contact.name = contactName(row);
        if (contact.name.empty()) {
            contact.name = kNoName;
        }
        contacts.push_back(std::move(contact));
    }
    std::stable_sort(
        contacts.begin(), contacts.end(), [](const ContactRecord& a, const ContactRecord& b) {
            return textLess(a.name, b.name);
        });
}

} // namespace extract
