// Contacts as the scan lists them: from address books of two device generations that the
// fixture writer generates (every value with its label, people without a number, company
// cards, deleted people from the carved full-text rows with whole numbers), and from
// hand-made tables that lack columns, hold NULLs, odd labels and oversized values.
#include "extract/ContactStore.h"

#include "devicedb/AddressBookDb.h"
#include "devicedb/SqliteWriter.h"
#include "extract/ContactsBuilder.h"
#include "platform/Text.h"
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

// Everything a contact shows, one field after the other, lists as labelled lines.
std::string shown(const ContactRecord& c)
{
    return c.name + " | " + extract::labelledLines(c.phoneList) + " | " +
           extract::labelledLines(c.emailList) + " | " + extract::labelledLines(c.urlList) + " | " +
           extract::addressLines(c.addresses) + " | " + c.jobTitle + " | " + c.birthday + " | " +
           c.note;
}

TEST(ContactStore, EveryValueWithItsLabelInBothGenerationsAndDeletedOnesWithWholeNumbers)
{
    fixtures::AddressBookData book;
    book.contacts = {person(1, "Anna", "Adams"),
                     person(2, "Mail", "Only"),
                     person(3, "", ""),
                     person(4, "Gone", "Person"),
                     person(5, "Zoë", "Ångström")};
    fixtures::Contact& anna = book.contacts[0];
    anna.phones = {"+19195790479", "+447700900123", "+14155550123", "+14155550124"};
    anna.typedPhones = {"(919) 579-0479"};
    anna.phoneLabels = {"", "Boat", "_$!<Work>!$_", "_$!<WorkFAX>!$_"};
    anna.emails = {"anna@example.org", "anna@work.example"};
    anna.emailLabels = {"", "_$!<Work>!$_"};
    anna.street = "1 Market St";
    anna.city = "San Francisco";
    anna.state = "CA";
    anna.postalCode = "94105";
    anna.country = "United States";
    anna.addressLabel = "_$!<Work>!$_";
    anna.url = "https://anna.example";
    anna.jobTitle = "Engineer";
    anna.birthday = "-498830400";
    anna.note = "Line one\nline two";
    book.contacts[1].emails = {"mail@example.org", "other@example.org"};
    book.contacts[1].emailLabels = {"Club"};
    book.contacts[1].url = "https://blog.example";
    book.contacts[1].urlLabel = "Blog";
    book.contacts[1].birthday = "-12521995200";
    book.contacts[2].organization = "Pizzeria Nº 5";
    book.contacts[2].phones = {"+447700900124"};
    book.contacts[2].phoneLabels = {"_$!<Main>!$_"};
    book.contacts[3].phones = {"+19195550100"};
    book.contacts[3].typedPhones = {"(919) 555-0100"};
    book.contacts[3].emails = {"gone@example.org"};
    book.contacts[4].phones = {"+14155550199"};
    book.contacts[4].phoneLabels = {"iPhone"};
    book.deleteContactRowids = {4};

    const std::vector<std::string> expected = {
        "Anna Adams | mobile: (919) 579-0479\nBoat: +44 7700 900 123\nwork: +1 (415) "
        "555-0123\nwork fax: +1 (415) 555-0124 | home: anna@example.org\nwork: "
        "anna@work.example | home page: https://anna.example | work: 1 Market St, San "
        "Francisco, CA, 94105, United States | Engineer | 1985-03-12 | Line one\nline two",
        "Gone Person | (919) 555-0100 | gone@example.org |  |  |  |  | ",
        "Mail Only |  | Club: mail@example.org\nhome: other@example.org | Blog: "
        "https://blog.example |  |  | --03-12 | ",
        "Pizzeria Nº 5 | main: +44 7700 900 124 |  |  |  |  |  | ",
        "Zoë Ångström | iPhone: +1 (415) 555-0199 |  |  |  |  |  | ",
    };
    for (const auto layout :
         {fixtures::AddressBookLayout::Legacy, fixtures::AddressBookLayout::Current}) {
        SCOPED_TRACE(layout == fixtures::AddressBookLayout::Current ? "current" : "legacy");
        testsupport::TempDir dir;
        const std::string path = dir.file("AddressBook.sqlitedb");
        ASSERT_EQ(fixtures::writeAddressBookDb(path, layout, book), 0);

        std::vector<ContactRecord> contacts;
        ASSERT_EQ(extract::readPersonTable(path, contacts), 0);
        sqlitecarve::Database db;
        ASSERT_EQ(db.open(path), 0);
        std::vector<sqlitecarve::ContactSearchRow> rows;
        ASSERT_EQ(sqlitecarve::readContactSearch(db, rows), 0);
        extract::buildContacts(rows, contacts, true);

        ASSERT_EQ(contacts.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(shown(contacts[i]), expected[i]);
            EXPECT_EQ(contacts[i].deleted, contacts[i].name == "Gone Person" ? 1 : 0);
        }
        // The one-text fields keep their meaning: numbers one per line, e-mails by spaces.
        EXPECT_EQ(contacts[0].phones,
                  "(919) 579-0479\n+44 7700 900 123\n+1 (415) 555-0123\n+1 (415) 555-0124");
        EXPECT_EQ(contacts[0].email, "anna@example.org anna@work.example");
        EXPECT_EQ(contacts[0].address, "1 Market St, San Francisco, CA, 94105, United States");
        EXPECT_EQ(contacts[3].company, "Pizzeria Nº 5");
        EXPECT_EQ(contacts[0].firstName + "/" + contacts[0].lastName, "Anna/Adams");
    }
}

// The tables every case starts from, as a current device has them (fewer columns here).
constexpr const char* kTables =
    "CREATE TABLE ABPerson (ROWID INTEGER PRIMARY KEY, First TEXT, Last TEXT, Organization "
    "TEXT, JobTitle TEXT, Birthday TEXT, Note TEXT);"
    "CREATE TABLE ABMultiValue (UID INTEGER PRIMARY KEY, record_id INTEGER, property INTEGER, "
    "identifier INTEGER, label INTEGER, value TEXT);"
    "CREATE TABLE ABMultiValueLabel (value TEXT);"
    "CREATE TABLE ABMultiValueEntry (parent_id INTEGER, key INTEGER, value TEXT);"
    "CREATE TABLE ABMultiValueEntryKey (value TEXT);"
    "INSERT INTO ABMultiValueEntryKey VALUES ('Street'), ('City'), ('State'), ('ZIP'), "
    "('Country'), ('CountryCode'), ('SubLocality');";

std::string repeated(const std::string& text, std::size_t times)
{
    std::string result;
    for (std::size_t i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}

TEST(ContactStore, LabelsBirthdaysAddressesAndHostileTables)
{
    struct Case
    {
        const char* name;
        // Run after kTables unless it starts with "DROP".
        std::string sql;
        int status;
        std::vector<std::string> contacts;
    };

    const std::vector<Case> cases = {
        {"built-in, custom and broken labels",
         "INSERT INTO ABPerson (ROWID, First) VALUES (1, 'Anna');"
         "INSERT INTO ABMultiValueLabel (ROWID, value) VALUES (1, '_$!<Mobile>!$_'), (2, "
         "'_$!<HomeFAX>!$_'), (3, '_$!<Pager>!$_'), (4, 'iPhone'), (5, '_$!<iPhone>!$_'), (6, "
         "'_$!<Other>!$_'), (7, '_$!<>!$_'), (8, '_$!<Mobile'), (9, 'Ferienhaus 🏠'), (10, "
         "'_$!<HomePage>!$_'), (11, NULL);"
         "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES "
         "(1, 3, 0, 1, '1'), (1, 3, 1, 2, '2'), (1, 3, 2, 3, '3'), (1, 3, 3, 4, '4'), "
         "(1, 3, 4, 5, '5'), (1, 3, 5, 6, '6'), (1, 3, 6, 7, '7'), (1, 3, 7, 8, '8'), "
         "(1, 3, 8, 9, '9'), (1, 3, 9, 11, '10'), (1, 3, 10, 99, '11'), (1, 3, 11, NULL, '12'),"
         "(1, 4, 12, 'Club', 'a@example.org'), (1, 22, 13, 10, 'https://a.example');",
         0,
         {"Anna | mobile: 1\nhome fax: 2\npager: 3\niPhone: 4\niPhone: 5\nother: 6\n7\n_$!<Mobile: "
          "8\nFerienhaus 🏠: 9\n10\n11\n12 | Club: a@example.org | home page: https://a.example "
          "|  |  |  | "}},
        {"values in identifier order, whoever comes first in the file",
         "INSERT INTO ABPerson (ROWID, First) VALUES (2, 'Bo'), (1, 'Al');"
         "INSERT INTO ABMultiValue (record_id, property, identifier, value) VALUES (2, 3, 1, "
         "'second'), (2, 3, 0, 'first'), (1, 4, 0, 'al@example.org'), (7, 3, 0, 'nobody');",
         0,
         {"Al |  | al@example.org |  |  |  |  | ", "Bo | first\nsecond |  |  |  |  |  | "}},
        {"birthdays as seconds, as text, out of range and without year",
         "INSERT INTO ABPerson (ROWID, First, Birthday) VALUES (1, 'A', '-498830400'), (2, 'B', "
         "-331524000.0), (3, 'C', '-331488000'), (4, 'D', '1985-03-12'), (5, 'E', '-1e300'), "
         "(6, 'F', '-12521995200'), (7, 'G', 'soon'), (8, 'H', NULL);",
         0,
         {"A |  |  |  |  |  | 1985-03-12 | ",
          "B |  |  |  |  |  | 1990-07-01 | ",
          "C |  |  |  |  |  | 1990-07-01 | ",
          "D |  |  |  |  |  | 1985-03-12 | ",
          "E |  |  |  |  |  | -1e300 | ",
          "F |  |  |  |  |  | --03-12 | ",
          "G |  |  |  |  |  | soon | ",
          "H |  |  |  |  |  |  | "}},
        {"addresses from their parts; empty ones, unknown keys and stray parts left out",
         "INSERT INTO ABPerson (ROWID, First) VALUES (1, 'A');"
         "INSERT INTO ABMultiValueLabel (ROWID, value) VALUES (1, '_$!<Work>!$_');"
         "INSERT INTO ABMultiValue (UID, record_id, property, identifier, label, value) VALUES "
         "(10, 1, 5, 0, 1, NULL), (11, 1, 5, 1, NULL, NULL), (12, 1, 5, 2, NULL, NULL), "
         "(13, 1, 3, 3, NULL, '555');"
         "INSERT INTO ABMultiValueEntry VALUES (10, 1, 'Königsallee 12'), (10, 2, 'Düsseldorf'), "
         "(10, 4, '40212'), (10, 6, 'de'), (10, 5, 'Deutschland'), (11, 7, 'Soho'), (11, 6, "
         "'gb'), (13, 1, 'stray'), (99, 1, 'orphan'), (10, 42, 'unknown key');",
         0,
         {"A | 555 |  |  | work: Königsallee 12, Düsseldorf, 40212, Deutschland\ngb |  |  | "}},
        {"NULLs everywhere",
         "INSERT INTO ABPerson (ROWID) VALUES (1);"
         "INSERT INTO ABPerson (ROWID, Organization, JobTitle, Note) VALUES (2, 'ACME', 'Boss', "
         "'x');"
         "INSERT INTO ABMultiValue (record_id, property, identifier, label, value) VALUES (1, "
         "NULL, NULL, NULL, NULL), (NULL, 3, 0, 1, '1'), (1, 3, 0, NULL, NULL), (2, 4, 0, 1, "
         "NULL);",
         0,
         {"No Name |  |  |  |  |  |  | ", "ACME |  |  |  |  | Boss |  | x"}},
        {"an older generation's columns",
         "DROP TABLE ABPerson; DROP TABLE ABMultiValue;"
         "CREATE TABLE ABPerson (First TEXT, Last TEXT);"
         "CREATE TABLE ABMultiValue (record_id INTEGER, property INTEGER, value TEXT);"
         "INSERT INTO ABPerson (ROWID, First, Last) VALUES (1, 'Old', 'Timer');"
         "INSERT INTO ABMultiValue VALUES (1, 3, '555-0100'), (1, 3, '555-0101');",
         0,
         {"Old Timer | 555-0100\n555-0101 |  |  |  |  |  | "}},
        {"no value tables",
         "DROP TABLE ABMultiValue; DROP TABLE ABMultiValueLabel; DROP TABLE ABMultiValueEntry;"
         "INSERT INTO ABPerson (ROWID, First) VALUES (1, 'Lone');",
         0,
         {"Lone |  |  |  |  |  |  | "}},
        {"oversized values cut at a character boundary",
         "INSERT INTO ABPerson (ROWID, First, Note) VALUES (1, replace(hex(zeroblob(70000)), "
         "'00', 'é'), replace(hex(zeroblob(70000)), '00', 'x') || 'é');",
         0,
         {repeated("é", 32768) + " |  |  |  |  |  |  | " + repeated("x", 65536)}},
        {"no person table", "DROP TABLE ABPerson;", 1006, {}},
        {"a value table that does not read",
         "DROP TABLE ABMultiValue; CREATE VIEW ABMultiValue AS SELECT 1 AS record_id, 3 AS "
         "property, value FROM missing;",
         1006,
         {}},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::TempDir dir;
        const std::string path = dir.file("AddressBook.sqlitedb");
        {
            fixtures::SqliteWriter db;
            ASSERT_EQ(db.create(path), 0);
            ASSERT_EQ(db.exec(std::string(kTables) + c.sql), 0);
            ASSERT_EQ(db.close(), 0);
        }
        std::vector<ContactRecord> contacts;
        EXPECT_EQ(extract::readPersonTable(path, contacts), c.status);
        std::vector<std::string> seen;
        for (const ContactRecord& contact : contacts) {
            seen.push_back(shown(contact));
            EXPECT_TRUE(platform::isValidUtf8(contact.name));
        }
        EXPECT_EQ(seen, c.contacts);
    }
}

} // namespace
