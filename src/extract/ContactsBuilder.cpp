// Contacts from the address book's full-text rows.
#include "extract/ContactsBuilder.h"

#include "extract/TextOrder.h"

#include <algorithm>
#include <tuple>

namespace extract {

namespace {

// The digits of `text`.
std::string digitsOf(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9') {
            digits += c;
        }
    }
    return digits;
}

// Whether `piece` is digits only, a leading "+" allowed.
bool isDigitPiece(std::string_view piece)
{
    if (!piece.empty() && piece.front() == '+') {
        piece.remove_prefix(1);
    }
    return !piece.empty() && digitsOf(piece).size() == piece.size();
}

bool endsWith(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size() && text.substr(text.size() - ending.size()) == ending;
}

constexpr std::size_t kShortestNumber = 7;

// The pieces of `text` that are followed by a space.
std::vector<std::string_view> spacedPieces(std::string_view text)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t space = text.find(' '); space != std::string_view::npos;
         start = space + 1, space = text.find(' ', start)) {
        if (space > start) {
            pieces.push_back(text.substr(start, space - start));
        }
    }
    return pieces;
}

// The lists of a contact rebuilt from a full-text row, from its one-text fields.
void fillLists(ContactRecord& contact)
{
    for (const auto& [text, separator, list] :
         {std::tuple{&contact.phones, '\n', &contact.phoneList},
          std::tuple{&contact.email, ' ', &contact.emailList}}) {
        std::size_t start = 0;
        while (start < text->size()) {
            const std::size_t end = std::min(text->find(separator, start), text->size());
            if (end > start) {
                list->push_back({.label = {}, .value = text->substr(start, end - start)});
            }
            start = end + 1;
        }
    }
    if (!contact.url.empty()) {
        contact.urlList.push_back({.label = {}, .value = contact.url});
    }
    if (!contact.address.empty()) {
        contact.addresses.push_back({.label = {}, .street = contact.address});
    }
}

// Appends `value` to `lines` on a line of its own, after "`label`: " when there is a label.
void appendLabelledLine(std::string& lines, const std::string& label, const std::string& value)
{
    if (!lines.empty()) {
        lines += '\n';
    }
    if (!label.empty()) {
        lines += label;
        lines += ": ";
    }
    lines += value;
}

} // namespace

std::string cleanPhoneText(std::string_view raw)
{
    std::vector<std::string> numbers;
    std::string digits;
    bool derivedSeen = false;
    for (const std::string_view piece : spacedPieces(raw)) {
        const std::string pieceDigits = digitsOf(piece);
        const bool fullPiece = pieceDigits.size() >= kShortestNumber;
        const bool derived = !numbers.empty() && isDigitPiece(piece) && fullPiece &&
                             digits.size() >= kShortestNumber &&
                             (endsWith(pieceDigits, digits) || endsWith(digits, pieceDigits));
        if (derived) {
            derivedSeen = true;
            continue;
        }
        if (numbers.empty() || derivedSeen || (digits.size() >= kShortestNumber && fullPiece)) {
            numbers.emplace_back(piece);
            digits = pieceDigits;
            derivedSeen = false;
            continue;
        }
        numbers.back().append(" ").append(piece);
        digits += pieceDigits;
    }
    std::string result;
    for (const std::string& number : numbers) {
        result += (result.empty() ? "" : "\n") + number;
    }
    return result;
}

std::string addressText(const ContactAddress& address)
{
    std::string text;
    for (const std::string* part :
         {&address.street, &address.city, &address.state, &address.postalCode, &address.country}) {
        if (!part->empty()) {
            text += (text.empty() ? "" : ", ") + *part;
        }
    }
    return text;
}

std::string labelledLines(const std::vector<ContactValue>& values)
{
    std::string lines;
    for (const ContactValue& value : values) {
        appendLabelledLine(lines, value.label, value.value);
    }
    return lines;
}

std::string addressLines(const std::vector<ContactAddress>& addresses)
{
    std::string lines;
    for (const ContactAddress& address : addresses) {
        appendLabelledLine(lines, address.label, addressText(address));
    }
    return lines;
}

std::string contactName(const sqlitecarve::ContactSearchRow& row)
{
    if (!row.first.empty() && !row.last.empty()) {
        return row.first + ' ' + row.last;
    }
    return row.first + row.last;
}

void buildContacts(const std::vector<sqlitecarve::ContactSearchRow>& rows,
                   std::vector<ContactRecord>& contacts,
                   bool deletedOnly)
{
    for (const sqlitecarve::ContactSearchRow& row : rows) {
        const bool empty = row.first.empty() && row.last.empty() && row.organization.empty() &&
                           row.phone.empty() && row.email.empty();
        if (empty || (deletedOnly && !row.deleted)) {
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
        fillLists(contact);
        contact.firstName = row.first;
        contact.lastName = row.last;
        contact.name = contactName(row);
        if (contact.name.empty()) {
            contact.name = row.organization.empty() ? std::string(kNoName) : row.organization;
        }
        contacts.push_back(std::move(contact));
    }
    std::stable_sort(
        contacts.begin(), contacts.end(), [](const ContactRecord& a, const ContactRecord& b) {
            return textLess(a.name, b.name);
        });
}

} // namespace extract
