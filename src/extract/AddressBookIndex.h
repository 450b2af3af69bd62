// Name look-ups in the address book's full-text rows, shared by the messages, call-history and
// WhatsApp builders. A look-up tries, in this order: the first row whose telephone text
// contains the searched text character for character (as a whole space-separated token when
// the text has fewer than 7 significant digits: a short code); for an e-mail address, the first row
// holding that address (ASCII case ignored); else the first row holding a telephone number
// with the same national significant digits (see sameTelephoneNumber), so that
// "+19195790479" finds a contact saved as "(919) 579-0479". Each distinct text is searched
// once and remembered.
#pragma once

#include "sqlitecarve/DeviceRows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace extract {

// Whether telephone texts `a` and `b` name one number: their digits, without the leading
// zeros of a trunk or international prefix, end in the same last n digits, n being the
// shorter digit count capped at 10 and at least 7. Punctuation and spaces are ignored, so a
// leading country code only lengthens the longer number. Short codes never match this way.
bool sameTelephoneNumber(std::string_view a, std::string_view b);

class AddressBookIndex
{
public:
    // Keeps a reference to `rows`, which must outlive the index.
    explicit AddressBookIndex(const std::vector<sqlitecarve::ContactSearchRow>& rows);

    // The contact name (first and last name, as contactName makes it) of the row the look-up
    // finds for `address`; empty when none does or `address` is empty.
    const std::string& nameOf(const std::string& address);

private:
    // A telephone number of a row: its significant digits.
    struct Number
    {
        std::string digits;
        std::size_t row = 0;
    };

    // A place in a row's telephone text where a searched text may end: the byte offset `end`
    // and the key of the characters before it (see endKey).
    struct TokenEnd
    {
        std::uint64_t key = 0;
        std::uint32_t row = 0;
        std::uint32_t end = 0;
    };

    std::size_t rowWithText(const std::string& text);
    // Fills m_tokens, once.
    void indexTokens();
    // Fills m_ends, once.
    void indexEnds();
    std::size_t rowWithEmail(const std::string& address);
    std::size_t rowWithNumber(const std::string& address);
    void indexNumbers();

    const std::vector<sqlitecarve::ContactSearchRow>& m_rows;
    std::unordered_map<std::string, std::string> m_found;
    // Each telephone-text token → the first row holding it; filled on the first short-code
    // look-up.
    std::unordered_map<std::string, std::size_t> m_tokens;
    bool m_tokensIndexed = false;
    // Every place inside a telephone-text token where a searched text may end, sorted by key;
    // filled on the first look-up of a text that is no short code.
    std::vector<TokenEnd> m_ends;
    bool m_endsIndexed = false;
    // Lower-cased e-mail address → first row holding it; filled on the first e-mail look-up.
    std::unordered_map<std::string, std::size_t> m_emails;
    bool m_emailsIndexed = false;
    // Last 7 significant digits → the numbers ending in them, in row order; filled on the
    // first telephone look-up.
    std::unordered_map<std::string, std::vector<Number>> m_numbers;
    bool m_numbersIndexed = false;
};

} // namespace extract
