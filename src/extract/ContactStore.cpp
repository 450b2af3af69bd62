// Live contacts from the person table.
#include "extract/ContactStore.h"

#include "extract/ContactsBuilder.h"
#include "formats/SqliteReader.h"
#include "platform/Status.h"

#include <unordered_map>

namespace extract {

namespace {

// ABMultiValue.property of the values read.
constexpr std::int64_t kPropertyPhone = 3;
constexpr std::int64_t kPropertyEmail = 4;
constexpr std::int64_t kPropertyUrl = 22;

// Appends the people of ABPerson to `contacts`; `indexOfRowid` maps each rowid to its index.
int readPeople(sqlite3* db,
               std::vector<ContactRecord>& contacts,
               std::unordered_map<std::int64_t, std::size_t>& indexOfRowid)
{
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db,
                                  "SELECT ROWID, First, Last, Organization FROM ABPerson ORDER BY "
                                  "ROWID;",
                                  statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        ContactRecord contact;
        contact.name = contactName({.first = formats::columnText(statement.get(), 1),
                                    .last = formats::columnText(statement.get(), 2)});
        contact.company = formats::columnText(statement.get(), 3);
        indexOfRowid[sqlite3_column_int64(statement.get(), 0)] = contacts.size();
        contacts.push_back(std::move(contact));
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

void addValue(ContactRecord& contact, std::int64_t property, const std::string& value)
{
    if (property == kPropertyPhone) {
        contact.phones += (contact.phones.empty() ? "" : "\n") + value;
    } else if (property == kPropertyEmail) {
        contact.email += (contact.email.empty() ? "" : " ") + value;
    } else if (property == kPropertyUrl && contact.url.empty()) {
        contact.url = value;
    }
}

// Adds the multi-value rows to the people they belong to.
int readValues(sqlite3* db,
               std::vector<ContactRecord>& contacts,
               const std::unordered_map<std::int64_t, std::size_t>& indexOfRowid)
{
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db,
                                  "SELECT record_id, property, value FROM ABMultiValue ORDER BY "
                                  "record_id, identifier, UID;",
                                  statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto owner = indexOfRowid.find(sqlite3_column_int64(statement.get(), 0));
        std::string value = formats::columnText(statement.get(), 2);
        if (owner == indexOfRowid.end() || value.empty()) {
            continue;
        }
        addValue(contacts[owner->second], sqlite3_column_int64(statement.get(), 1), value);
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

} // namespace

int readPersonTable(const std::string& path, std::vector<ContactRecord>& contacts)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    std::vector<ContactRecord> people;
    std::unordered_map<std::int64_t, std::size_t> indexOfRowid;
    int status = readPeople(db.get(), people, indexOfRowid);
    if (status == platform::kStatusOk) {
        status = readValues(db.get(), people, indexOfRowid);
    }
    if (status != platform::kStatusOk) {
        return status;
    }
    for (ContactRecord& contact : people) {
        if (contact.name.empty()) {
            contact.name = contact.company.empty() ? std::string(kNoName) : contact.company;
        }
        contacts.push_back(std::move(contact));
    }
    return platform::kStatusOk;
}

} // namespace extract
