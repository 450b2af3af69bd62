// vCard cards: text escaping, folding at 75 octets without splitting a character, and whole
// cards with built-in and custom labels, a company card and a deleted contact.
#include "export/VCardWriter.h"

#include <gtest/gtest.h>

namespace {

// `folded` with every CR LF followed by a space removed, as a reader unfolds it.
std::string unfolded(std::string folded)
{
    for (std::size_t at = folded.find("\r\n "); at != std::string::npos;
         at = folded.find("\r\n ", at)) {
        folded.erase(at, 3);
    }
    return folded;
}

TEST(VCardWriter, TextEscapesAndFolding)
{
    const std::pair<std::string, std::string> texts[] = {
        {"plain text", "plain text"},
        {"a,b;c\\d", "a\\,b\\;c\\\\d"},
        {"one\r\ntwo\rthree\nfour\n", "one\\ntwo\\nthree\\nfour\\n"},
        {std::string("tab\tkept, bell\x07 nul\0 del\x7F gone", 30),
         "tab\tkept\\, bell nul del gone"},
        {"bad \xC3( and \xFF end", "bad \xEF\xBF\xBD( and \xEF\xBF\xBD end"},
        {"Zoë 😀", "Zoë 😀"},
    };
    for (const auto& [text, escaped] : texts) {
        EXPECT_EQ(exporting::vCardText(text), escaped) << text;
    }

    const std::string a74(74, 'a');
    const std::pair<std::string, std::string> lines[] = {
        {std::string(75, 'x'), std::string(75, 'x') + "\r\n"},
        {std::string(76, 'x'), std::string(75, 'x') + "\r\n x\r\n"},
        {std::string(200, 'x'),
         std::string(75, 'x') + "\r\n " + std::string(74, 'x') + "\r\n " + std::string(51, 'x') +
             "\r\n"},
        // "é" would straddle octet 75, "😀" octets 74 to 77: each moves whole to the next line.
        {a74 + "é", a74 + "\r\n é\r\n"},
        {"a" + a74 + "é", "a" + a74 + "\r\n é\r\n"},
        {a74.substr(1) + "😀b", a74.substr(1) + "\r\n 😀b\r\n"},
        // Not UTF-8 at all: cut where it must be rather than never.
        {std::string(80, '\x80'),
         std::string(75, '\x80') + "\r\n " + std::string(5, '\x80') + "\r\n"},
    };
    for (const auto& [line, folded] : lines) {
        const std::string result = exporting::foldedLine(line);
        EXPECT_EQ(result, folded) << line;
        EXPECT_EQ(unfolded(result), line + "\r\n");
    }
}

TEST(VCardWriter, CardsWithTheirLabels)
{
    extract::ContactRecord anna;
    anna.name = "Anna Adams";
    anna.firstName = "Anna";
    anna.lastName = "Adams";
    anna.company = "Adams, Smith; Co";
    anna.jobTitle = "Engineer";
    anna.birthday = "1985-03-12";
    anna.note = "Line one\nline two";
    anna.phoneList = {{"mobile", "(919) 579-0479"},
                      {"iPhone", "+1 415 555 0100"},
                      {"Boat", "+44 7700 900123"},
                      {"work fax", "+1 415 555 0101"},
                      {"", "555"}};
    anna.emailList = {{"work", "anna@work.example"}, {"Club, the", "anna@club.example"}};
    anna.urlList = {{"home page", "https://anna.example/?a=1;b=2"}};
    anna.addresses = {{.label = "home",
                       .street = "1 Market St\nSuite 5",
                       .city = "San Francisco",
                       .state = "CA",
                       .postalCode = "94105",
                       .country = "United States"}};

    extract::ContactRecord pizzeria;
    pizzeria.name = "Pizzeria Nº 5";
    pizzeria.company = "Pizzeria Nº 5";
    pizzeria.birthday = "--03-12";
    pizzeria.phoneList = {{"main", "+44 7700 900 124"}};

    extract::ContactRecord gone;
    gone.deleted = 1;
    gone.name = "Gone Person";
    gone.firstName = "Gone";
    gone.lastName = "Person";
    gone.birthday = "soon";
    gone.phoneList = {{"", "(919) 555-0100"}};
    gone.addresses = {{.label = "", .street = "221B Baker Street London"}};

    const std::pair<const extract::ContactRecord*, std::string> cards[] = {
        {&anna,
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Anna Adams\r\nN:Adams;Anna;;;\r\n"
         "ORG:Adams\\, Smith\\; Co\r\nTITLE:Engineer\r\n"
         "TEL;TYPE=CELL:(919) 579-0479\r\nTEL;TYPE=CELL,IPHONE:+1 415 555 0100\r\n"
         "item1.TEL:+44 7700 900123\r\nitem1.X-ABLabel:Boat\r\n"
         "TEL;TYPE=WORK,FAX:+1 415 555 0101\r\nTEL:555\r\n"
         "EMAIL;TYPE=INTERNET,WORK:anna@work.example\r\n"
         "item2.EMAIL;TYPE=INTERNET:anna@club.example\r\nitem2.X-ABLabel:Club\\, the\r\n"
         "ADR;TYPE=HOME:;;1 Market St\\nSuite 5;San Francisco;CA;94105;United States\r\n"
         "URL:https://anna.example/?a=1;b=2\r\nBDAY:1985-03-12\r\n"
         "NOTE:Line one\\nline two\r\nEND:VCARD\r\n"},
        {&pizzeria,
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Pizzeria Nº 5\r\nN:;;;;\r\nORG:Pizzeria Nº 5\r\n"
         "X-ABShowAs:COMPANY\r\nTEL;TYPE=MAIN:+44 7700 900 124\r\n"
         "BDAY;X-APPLE-OMIT-YEAR=1604:1604-03-12\r\nEND:VCARD\r\n"},
        {&gone,
         "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Gone Person\r\nN:Person;Gone;;;\r\n"
         "TEL:(919) 555-0100\r\nADR:;;221B Baker Street London;;;;\r\n"
         "NOTE:This contact was deleted from the device\\; recovered from the address \r\n"
         " book's free space.\r\nEND:VCARD\r\n"},
    };
    for (const auto& [contact, card] : cards) {
        EXPECT_EQ(exporting::vCard(*contact), card) << contact->name;
    }
}

} // namespace
