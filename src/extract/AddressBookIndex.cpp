// Contact names by telephone text, e-mail address or telephone digits.
#include "extract/AddressBookIndex.h"

#include "extract/ContactsBuilder.h"
#include "platform/Text.h"

#include <algorithm>

namespace extract {

namespace {

// Fewer significant digits than this are a short code or a fragment, never matched by digits.
constexpr std::size_t kFewestDigits = 7;
// Only this many trailing digits are compared: the national significant part.
constexpr std::size_t kComparedDigits = 10;
// No telephone number has more digits (E.164).
constexpr std::size_t kMostDigits = 15;
// The characters a place's key holds.
constexpr std::size_t kKeyLength = 8;
// The characters between the tokens of a telephone text.
constexpr const char* kTokenSeparators = " \t\r\n";

bool isTelephoneCharacter(char c)
{
    return (c >= '0' && c <= '9') || c == '+' || c == '(' || c == ')' || c == '-' || c == '.' ||
           c == '/';
}

std::size_t digitCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }));
}

// The digits of `text` without leading zeros (a trunk "0" or an international "00").
std::string significantDigits(std::string_view text)
{
    std::string digits;
    for (const char c : text) {
        if (c >= '0' && c <= '9' && (c != '0' || !digits.empty())) {
            digits += c;
        }
    }
    return digits;
}

bool sameDigits(std::string_view a, std::string_view b)
{
    const std::size_t compared = std::min({a.size(), b.size(), kComparedDigits});
    return compared >= kFewestDigits &&
           a.substr(a.size() - compared) == b.substr(b.size() - compared);
}

std::vector<std::string_view> spaceSeparated(std::string_view text)
{
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(kTokenSeparators, start), text.size());
        if (end > start) {
            tokens.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return tokens;
}

// The telephone numbers of a row's telephone text. The device indexes each number as tokens
// without spaces, but a number may also be written in groups ("020 7946 0958"): from each
// token, the tokens after it join while all before them were too short to be a number, the
// next does not open a new number with "+" or "(", and the digits stay within a number's
// length. Every such run and every run it ends in is a candidate.
std::vector<std::string> telephoneNumbers(std::string_view text)
{
    const std::vector<std::string_view> tokens = spaceSeparated(text);
    std::vector<std::string> numbers;
    for (std::size_t first = 0; first < tokens.size(); ++first) {
        std::string joined;
        std::size_t digits = 0;
        for (std::size_t next = first; next < tokens.size(); ++next) {
            const std::string_view token = tokens[next];
            const std::size_t tokenDigits = digitCount(token);
            if (!std::all_of(token.begin(), token.end(), isTelephoneCharacter) ||
                (next > first && (token.front() == '+' || token.front() == '(')) ||
                digits + tokenDigits > kMostDigits) {
                break;
            }
            joined += token;
            digits += tokenDigits;
            if (tokenDigits >= kFewestDigits) {
                break;
            }
        }
        std::string significant = significantDigits(joined);
        if (significant.size() >= kFewestDigits) {
            numbers.push_back(std::move(significant));
        }
    }
    return numbers;
}

// The key of the place before `end` in `text`: the kKeyLength characters before it, the
// nearest in the highest byte, zero bytes where the text begins sooner. Sorting by key puts
// the places that end in the same characters together.
std::uint64_t endKey(std::string_view text, std::size_t end)
{
    std::uint64_t key = 0;
    for (std::size_t i = 0; i < kKeyLength; ++i) {
        const unsigned char c = i < end ? static_cast<unsigned char>(text[end - 1 - i]) : 0;
        key |= static_cast<std::uint64_t>(c) << (8 * (kKeyLength - 1 - i));
    }
    return key;
}

} // namespace

bool sameTelephoneNumber(std::string_view a, std::string_view b)
{
    return sameDigits(significantDigits(a), significantDigits(b));
}

AddressBookIndex::AddressBookIndex(const std::vector<sqlitecarve::ContactSearchRow>& rows)
    : m_rows(rows)
{}

const std::string& AddressBookIndex::nameOf(const std::string& address)
{
    auto [entry, inserted] = m_found.try_emplace(address);
    if (inserted && !address.empty()) {
        std::size_t row = rowWithText(address);
        if (row == m_rows.size()) {
            row = address.find('@') != std::string::npos ? rowWithEmail(address)
                                                         : rowWithNumber(address);
        }
        if (row < m_rows.size()) {
            entry->second = contactName(m_rows[row]);
        }
    }
    return entry->second;
}

std::size_t AddressBookIndex::rowWithText(const std::string& text)
{
    // A short code inside a longer number is no match: it must be a whole token.
    if (significantDigits(text).size() < kFewestDigits) {
        indexTokens();
        const auto found = m_tokens.find(text);
        return found == m_tokens.end() ? m_rows.size() : found->second;
    }
    if (text.find_first_of(kTokenSeparators) != std::string::npos) {
        // Text that spans tokens is rare: it is searched row by row.
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            if (m_rows[row].phone.find(text) != std::string::npos) {
                return row;
            }
        }
        return m_rows.size();
    }
    // Text without separators lies inside one token, where it ends somewhere: the places whose
    // last characters are the text's are found by their key, then compared in full.
    indexEnds();
    const std::uint64_t key = endKey(text, text.size());
    const std::size_t keyed = std::min(text.size(), kKeyLength);
    // Places whose key holds the text's last `keyed` characters, whatever comes before them.
    const std::uint64_t highest = keyed == kKeyLength ? key : key | (~0ULL >> (8 * keyed));
    std::size_t first = m_rows.size();
    for (auto at = std::lower_bound(
             m_ends.begin(),
             m_ends.end(),
             key,
             [](const TokenEnd&end, std::uint64_t value) { return end.key < value; });
         at != m_ends.end() && at->key <= highest;
         ++at) {
        const std::string_view phone = m_rows[at->row].phone;
        if (at->row < first && at->end >= text.size() &&
            phone.substr(at->end - text.size(), text.size()) == text) {
            first = at->row;
        }
    }
    return first;
}

void AddressBookIndex::indexTokens()
{
    if (m_tokensIndexed) {
        return;
    }
    m_tokensIndexed = true;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        for (const std::string_view token : spaceSeparated(m_rows[row].phone)) {
            m_tokens.try_emplace(std::string(token), row);
        }
    }
}

void AddressBookIndex::indexEnds()
{
    if (m_endsIndexed) {
        return;
    }
    m_endsIndexed = true;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const std::string_view phone = m_rows[row].phone;
        for (const std::string_view token : spaceSeparated(phone)) {
            const auto start = static_cast<std::size_t>(token.data() - phone.data());
            // A searched text is at least kFewestDigits long.
            for (std::size_t end = start + kFewestDigits; end <= start + token.size(); ++end) {
                m_ends.push_back({endKey(phone, end),
                                  static_cast<std::uint32_t>(row),
                                  static_cast<std::uint32_t>(end)});
            }
        }
    }
    std::sort(m_ends.begin(), m_ends.end(), [](const TokenEnd& a, const TokenEnd& b) {
        return a.key < b.key;
    });
}

std::size_t AddressBookIndex::rowWithEmail(const std::string& address)
{
    if (!m_emailsIndexed) {
        m_emailsIndexed = true;
        for (std::size_t row = 0; row < m_rows.size(); ++row) {
            for (const std::string_view email : spaceSeparated(m_rows[row].email)) {
                m_emails.try_emplace(platform::asciiLower(email), row);
            }
        }
    }
    const auto found = m_emails.find(platform::asciiLower(address));
    return found == m_emails.end() ? m_rows.size() : found->second;
}

std::size_t AddressBookIndex::rowWithNumber(const std::string& address)
{
    const std::string digits = significantDigits(address);
    if (digits.size() < kFewestDigits) {
        return m_rows.size();
    }
    indexNumbers();
    const auto found = m_numbers.find(digits.substr(digits.size() - kFewestDigits));
    if (found != m_numbers.end()) {
        for (const Number& number : found->second) {
            if (sameDigits(digits, number.digits)) {
                return number.row;
            }
        }
    }
    return m_rows.size();
}

void AddressBookIndex::indexNumbers()
{
    if (m_numbersIndexed) {
        return;
    }
    m_numbersIndexed = true;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        for (std::string& digits : telephoneNumbers(m_rows[row].phone)) {
            std::string key = digits.substr(digits.size() - kFewestDigits);
            m_numbers[std::move(key)].push_back(Number{std::move(digits), row});
        }
    }
}

} // namespace extract
