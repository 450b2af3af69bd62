// Contacts as the scan lists them, from address books the fixture writer generates: live
// people from the person table with every number as typed, people without a number, company
// cards, and deleted people from the carved full-text rows with whole numbers.
#include "extract/ContactStore.h"

#include "devicedb/AddressBookDb.h"
#include "extract/ContactsBuilder.h"
#include "sqlitecarve/DeviceTables.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

using extract::ContactRecord;

fixtures::Contact person(std::int64_t rowid, const char* first, const char* last)
{
    fixtures::Contact contact;
    contact.rowid = rowid;
    contact.first = first;
    contact.last = last;
    return contact;
}

TEST(ContactStore, PeopleWithEveryNumberAsTypedAndDeletedOnesWithWholeNumbers)
{
    fixtures::AddressBookData book;
    book.contacts = {person(1, "Anna", "Adams"),
                     person(2, "Mail", "Only"),
                     person(3, "", ""),
                     person(4, "Gone", "Person"),
                     person(5, "Zoë", "Ångström")};
    book.contacts[0].phones = {"+19195790479", "+447700900123", "+14155550123"};
    book.contacts[0].typedPhones = {"(919) 579-0479"};
    book.contacts[0].phoneLabels = {"", "Boat", "_$!<Work>!$_"};
    book.contacts[0].emails = {"anna@example.org"};
    book.contacts[1].emails = {"mail@example.org", "other@example.org"};
    book.contacts[2].organization = "Pizzeria Nº 5";
    book.contacts[2].phones = {"+447700900124"};
    book.contacts[2].phoneLabels = {"_$!<Main>!$_"};
    book.contacts[3].phones = {"+19195550100"};
    book.contacts[3].typedPhones = {"(919) 555-0100"};
    book.contacts[4].phones = {"+14155550199"};
    book.contacts[4].phoneLabels = {"iPhone"};
    book.deleteContactRowids = {4};
    testsupport::TempDir dir;
    const std::string path = dir.file("AddressBook.sqlitedb");
    ASSERT_EQ(fixtures::writeAddressBookDb(path, fixtures::AddressBookLayout::Current, book), 0);

    std::vector<ContactRecord> contacts;
    ASSERT_EQ(extract::readPersonTable(path, contacts), 0);
    sqlitecarve::Database db;
    ASSERT_EQ(db.open(path), 0);
    std::vector<sqlitecarve::ContactSearchRow> rows;
    ASSERT_EQ(sqlitecarve::readContactSearch(db, rows), 0);
    extract::buildContacts(rows, contacts, true);

    struct Expected
    {
        const char* name;
        int deleted;
        const char* phones;
        const char* email;
    };

    const std::vector<Expected> expected = {
        {"Anna Adams",
         0,
         "(919) 579-0479\n+44 7700 900 123\n+1 (415) 555-0123",
         "anna@example.org"},
        {"Gone Person", 1, "(919) 555-0100", ""},
        {"Mail Only", 0, "", "mail@example.org other@example.org"},
        {"Pizzeria Nº 5", 0, "+44 7700 900 124", ""},
        {"Zoë Ångström", 0, "+1 (415) 555-0199", ""},
    };
    ASSERT_EQ(contacts.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(contacts[i].name, expected[i].name);
        EXPECT_EQ(contacts[i].deleted, expected[i].deleted);
        EXPECT_EQ(contacts[i].phones, expected[i].phones);
        EXPECT_EQ(contacts[i].email, expected[i].email);
    }
    EXPECT_EQ(contacts[3].company, "Pizzeria Nº 5");
}

} // namespace
