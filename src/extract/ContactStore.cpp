// Live contacts from the person table. Device generations differ in the columns they keep,
// so every query is built from the columns the tables have, and a missing table only leaves
// its values out.
#include "extract/ContactStore.h"

#include "extract/ContactsBuilder.h"
#include "formats/SqliteReader.h"
#include "platform/Clock.h"
#include "platform/Status.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <map>
#include <set>
#include <unordered_map>

namespace extract {

namespace {

// ABMultiValue.property of the values read.
constexpr std::int64_t kPropertyPhone = 3;
constexpr std::int64_t kPropertyEmail = 4;
constexpr std::int64_t kPropertyAddress = 5;
constexpr std::int64_t kPropertyUrl = 22;

// The longest text kept of one value; a longer one is cut at a character boundary.
constexpr std::size_t kLongestValue = 64 * 1024;

// The year the device gives a birthday stored without one.
constexpr std::string_view kYearlessBirthday = "1604-";

using RowidTexts = std::unordered_map<std::int64_t, std::string>;

// A comma-separated select list: each name the table has, else NULL in its place.
std::string selectList(const std::set<std::string>& columns,
                       std::initializer_list<const char*> names)
{
    std::string list;
    for (const char* name : names) {
        list += (list.empty() ? "" : ", ") + std::string(columns.contains(name) ? name : "NULL");
    }
    return list;
}

// The text of `column`, at most kLongestValue bytes of it.
std::string boundedText(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    const auto size =
        static_cast<std::size_t>(std::max(0, sqlite3_column_bytes(statement, column)));
    if (text == nullptr) {
        return {};
    }
    std::size_t length = std::min(size, kLongestValue);
    while (length > 0 && length < size &&
           (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
        --length;
    }
    return std::string(text, length);
}

// The birthday as "YYYY-MM-DD" when the device stored seconds since 2001 (as a number or as
// its text), else the stored text. The instant is midnight in the owner's zone or noon UTC,
// so the day is the one nearest to it, noon counting to its own day.
std::string birthdayText(const std::string& stored)
{
    double seconds = 0;
    const char* end = stored.data() + stored.size();
    const auto parsed = std::from_chars(stored.data(), end, seconds);
    if (stored.empty() || parsed.ec != std::errc() || parsed.ptr != end ||
        !std::isfinite(seconds) || std::fabs(seconds) > 1e11) {
        return stored;
    }
    constexpr double kDay = 86400;
    const auto day = static_cast<std::int64_t>(std::floor((seconds + kDay / 2 - 1) / kDay));
    const std::string date =
        platform::formatUtc(day * 86400 + platform::kAppleEpochOffset).substr(0, 10);
    return date.starts_with(kYearlessBirthday) ? "--" + date.substr(kYearlessBirthday.size())
                                               : date;
}

// Appends the people of ABPerson to `contacts`; `indexOfRowid` maps each rowid to its index.
int readPeople(sqlite3* db,
               std::vector<ContactRecord>& contacts,
               std::unordered_map<std::int64_t, std::size_t>& indexOfRowid)
{
    std::set<std::string> columns;
    if (formats::tableColumns(db, "ABPerson", columns) != platform::kStatusOk || columns.empty()) {
        return platform::kStatusQueryFailed;
    }
    formats::SqliteStatement statement;
    const std::string sql =
        "SELECT ROWID, " +
        selectList(columns, {"First", "Last", "Organization", "JobTitle", "Birthday", "Note"}) +
        " FROM ABPerson ORDER BY ROWID;";
    if (formats::prepareStatement(db, sql.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        ContactRecord contact;
        contact.firstName = boundedText(statement.get(), 1);
        contact.lastName = boundedText(statement.get(), 2);
        contact.name = contactName({.first = contact.firstName, .last = contact.lastName});
        contact.company = boundedText(statement.get(), 3);
        contact.jobTitle = boundedText(statement.get(), 4);
        contact.birthday = birthdayText(boundedText(statement.get(), 5));
        contact.note = boundedText(statement.get(), 6);
        indexOfRowid[sqlite3_column_int64(statement.get(), 0)] = contacts.size();
        contacts.push_back(std::move(contact));
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

// ROWID → value of a table of names (labels, address part keys); empty when it does not read.
RowidTexts readNames(sqlite3* db, const char* table)
{
    RowidTexts names;
    formats::SqliteStatement statement;
    const std::string sql = std::string("SELECT ROWID, value FROM ") + table + ";";
    if (formats::prepareStatement(db, sql.c_str(), statement) == SQLITE_OK) {
        while (sqlite3_step(statement.get()) == SQLITE_ROW) {
            names[sqlite3_column_int64(statement.get(), 0)] = boundedText(statement.get(), 1);
        }
    }
    return names;
}

// The label of the value row: a label rowid looked up in `labels`, or the text itself.
std::string labelOf(sqlite3_stmt* statement, int column, const RowidTexts& labels)
{
    if (sqlite3_column_type(statement, column) == SQLITE_TEXT) {
        return shownLabel(boundedText(statement, column));
    }
    const auto label = labels.find(sqlite3_column_int64(statement, column));
    return label == labels.end() ? std::string() : shownLabel(label->second);
}

// Where the address of a multi-value row went: the contact's index and the address's.
struct AddressSlot
{
    std::size_t contact = 0;
    std::size_t address = 0;
};

// Adds the value of one multi-value row to `contact`; an address gets its slot in `slots`.
void addValue(ContactRecord& contact,
              std::size_t contactIndex,
              std::int64_t property,
              ContactValue value,
              std::int64_t uid,
              std::unordered_map<std::int64_t, AddressSlot>& slots)
{
    if (property == kPropertyAddress) {
        slots[uid] = {contactIndex, contact.addresses.size()};
        contact.addresses.push_back({.label = std::move(value.label)});
        return;
    }
    std::vector<ContactValue>* list = property == kPropertyPhone   ? &contact.phoneList
                                      : property == kPropertyEmail ? &contact.emailList
                                      : property == kPropertyUrl   ? &contact.urlList
                                                                   : nullptr;
    if (list != nullptr && !value.value.empty()) {
        list->push_back(std::move(value));
    }
}

// Adds the multi-value rows to the people they belong to.
int readValues(sqlite3* db,
               std::vector<ContactRecord>& contacts,
               const std::unordered_map<std::int64_t, std::size_t>& indexOfRowid,
               std::unordered_map<std::int64_t, AddressSlot>& slots)
{
    std::set<std::string> columns;
    if (const int status = formats::tableColumns(db, "ABMultiValue", columns);
        status != platform::kStatusOk || columns.empty()) {
        return status;
    }
    const std::string uid = columns.contains("UID") ? "UID" : "ROWID";
    const std::string sql = "SELECT " + uid + ", " +
                            selectList(columns, {"record_id", "property", "label", "value"}) +
                            " FROM ABMultiValue ORDER BY record_id, " +
                            (columns.contains("identifier") ? "identifier, " : "") + uid + ";";
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db, sql.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    const RowidTexts labels = readNames(db, "ABMultiValueLabel");
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        sqlite3_stmt* row = statement.get();
        const auto owner = indexOfRowid.find(sqlite3_column_int64(row, 1));
        if (owner != indexOfRowid.end()) {
            addValue(contacts[owner->second],
                     owner->second,
                     sqlite3_column_int64(row, 2),
                     {.label = labelOf(row, 3, labels), .value = boundedText(row, 4)},
                     sqlite3_column_int64(row, 0),
                     slots);
        }
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

// Puts one part of an address where its key's name says.
void setAddressPart(ContactAddress& address, const std::string& key, std::string value)
{
    static const std::map<std::string, std::string ContactAddress::*, std::less<>> kParts = {
        {"Street", &ContactAddress::street},
        {"City", &ContactAddress::city},
        {"State", &ContactAddress::state},
        {"ZIP", &ContactAddress::postalCode},
        {"Country", &ContactAddress::country},
        {"CountryCode", &ContactAddress::country},
    };
    const auto part = kParts.find(key);
    // The country's name wins over its code, whichever row comes first.
    if (part != kParts.end() && (key != "CountryCode" || address.country.empty())) {
        address.*(part->second) = std::move(value);
    }
}

// Fills the addresses in `slots` from the entry rows of their multi-value rows.
void readAddressParts(sqlite3* db,
                      std::vector<ContactRecord>& contacts,
                      const std::unordered_map<std::int64_t, AddressSlot>& slots)
{
    formats::SqliteStatement statement;
    if (slots.empty() || formats::prepareStatement(db,
                                                   "SELECT parent_id, key, value FROM "
                                                   "ABMultiValueEntry ORDER BY ROWID;",
                                                   statement) != SQLITE_OK) {
        return;
    }
    const RowidTexts keys = readNames(db, "ABMultiValueEntryKey");
    while (sqlite3_step(statement.get()) == SQLITE_ROW) {
        const auto slot = slots.find(sqlite3_column_int64(statement.get(), 0));
        const auto key = keys.find(sqlite3_column_int64(statement.get(), 1));
        if (slot != slots.end() && key != keys.end()) {
            setAddressPart(contacts[slot->second.contact].addresses[slot->second.address],
                           key->second,
                           boundedText(statement.get(), 2));
        }
    }
}

// Fills the one-text fields from the lists, names a card without person name by its
// organization, and drops addresses without any part.
void finishContact(ContactRecord& contact)
{
    std::erase_if(contact.addresses,
                  [](const ContactAddress& address) { return addressText(address).empty(); });
    for (const ContactValue& phone : contact.phoneList) {
        contact.phones += (contact.phones.empty() ? "" : "\n") + phone.value;
    }
    for (const ContactValue& email : contact.emailList) {
        contact.email += contact.email.empty() ? "" : " ";
        contact.email += email.value;
    }
    for (const ContactAddress& address : contact.addresses) {
        contact.address += contact.address.empty() ? "" : "\n";
        contact.address += addressText(address);
    }
    if (!contact.urlList.empty()) {
        contact.url = contact.urlList.front().value;
    }
    if (contact.name.empty()) {
        contact.name = contact.company.empty() ? std::string(kNoName) : contact.company;
    }
}

} // namespace

std::string shownLabel(std::string_view stored)
{
    constexpr std::string_view kOpen = "_$!<";
    constexpr std::string_view kClose = ">!$_";
    if (stored.size() < kOpen.size() + kClose.size() || !stored.starts_with(kOpen) ||
        !stored.ends_with(kClose)) {
        return std::string(stored);
    }
    const std::string_view name =
        stored.substr(kOpen.size(), stored.size() - kOpen.size() - kClose.size());
    if (name == "iPhone") {
        return std::string(name);
    }
    // "HomeFAX" reads "home fax": a word starts at each capital after a small letter.
    std::string shown;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        const bool capital = c >= 'A' && c <= 'Z';
        if (capital && i > 0 && name[i - 1] >= 'a' && name[i - 1] <= 'z') {
            shown += ' ';
        }
        shown += capital ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return shown;
}

int readPersonTable(const std::string& path, std::vector<ContactRecord>& contacts)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    std::vector<ContactRecord> people;
    std::unordered_map<std::int64_t, std::size_t> indexOfRowid;
    std::unordered_map<std::int64_t, AddressSlot> slots;
    int status = readPeople(db.get(), people, indexOfRowid);
    if (status == platform::kStatusOk) {
        status = readValues(db.get(), people, indexOfRowid, slots);
    }
    if (status != platform::kStatusOk) {
        return status;
    }
    readAddressParts(db.get(), people, slots);
    for (ContactRecord& contact : people) {
        finishContact(contact);
        contacts.push_back(std::move(contact));
    }
    return platform::kStatusOk;
}

} // namespace extract
