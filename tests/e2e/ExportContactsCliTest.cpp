// `brenvale-cli export --categories contacts` run as a process on a generated iOS 17 backup:
// the vCard file it writes is read back by Python's strict vobject parser into the same
// contacts the address book holds, and every raw line keeps the folding and line ends of
// RFC 2425.
#include "CliProcess.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/AddressBookDb.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace {

// Prints one line per card: FN, given/family name, numbers, e-mails (each "TYPE value",
// joined by "|"), and "deleted" when the note says so. validate=True makes vobject refuse
// cards that break the vCard 3.0 rules it knows.
constexpr const char* kReader = R"(import sys, vobject
text = open(sys.argv[1], encoding="utf-8", newline="").read()
for card in vobject.readComponents(text, validate=True):
    def values(name):
        return "|".join(",".join(v.params.get("TYPE", [])) + " " + v.value
                        for v in card.contents.get(name, []))
    note = card.note.value if "note" in card.contents else ""
    print("\t".join([card.fn.value, card.n.value.given + "/" + card.n.value.family,
                     values("tel"), values("email"),
                     "deleted" if note.startswith("This contact was deleted") else ""]))
)";

// The line the reader prints for `contact` of the sample.
std::string expectedLine(const fixtures::Contact& contact, bool deleted)
{
    const bool named = !contact.first.empty() || !contact.last.empty();
    std::string name = named ? contact.first +
                                   (contact.first.empty() || contact.last.empty() ? "" : " ") +
                                   contact.last
                             : contact.organization;
    std::string tels;
    for (std::size_t i = 0; i < contact.phones.size(); ++i) {
        // Deleted contacts come from the full-text rows, which keep no labels.
        const std::string label = i < contact.phoneLabels.size() ? contact.phoneLabels[i] : "";
        const std::string types = deleted                      ? ""
                                  : label == "_$!<Main>!$_"    ? "MAIN"
                                  : label == "Boat"            ? ""
                                  : label == "_$!<WorkFAX>!$_" ? "WORK,FAX"
                                  : i == 0                     ? "CELL"
                                                               : "HOME";
        tels += (tels.empty() ? "" : "|") + types + " " + fixtures::typedPhone(contact, i);
    }
    std::string emails;
    for (std::size_t i = 0; i < contact.emails.size(); ++i) {
        const std::string label = i < contact.emailLabels.size() ? contact.emailLabels[i] : "";
        const std::string types = deleted                   ? "INTERNET"
                                  : label == "_$!<Work>!$_" ? "INTERNET,WORK"
                                  : label == "Club"         ? "INTERNET"
                                                            : "INTERNET,HOME";
        emails += (emails.empty() ? "" : "|") + types + " " + contact.emails[i];
    }
    return name + "\t" + contact.first + "/" + contact.last + "\t" + tels + "\t" + emails + "\t" +
           (deleted ? "deleted" : "");
}

TEST(ExportContactsCliTest, VCardFileReadsBackIntoTheSameContacts)
{
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.contacts = 40;
    fixtures::BackupDescription spec;
    spec.productVersion = "17.2";
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

    const e2e::CliRun run =
        e2e::runCli("export",
                    e2e::quoted(dir.file("backup")) + " --out " + e2e::quoted(dir.file("out")) +
                        " --categories contacts --quiet",
                    dir);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::string cards;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out/Contacts"))) {
        cards = (entry.path() / "Contacts.vcf").string();
    }
    ASSERT_TRUE(std::filesystem::exists(cards));

    // Every line ends in CR LF, is at most 75 octets and is valid UTF-8 on its own.
    const std::string raw = testsupport::readFileBytes(cards);
    ASSERT_TRUE(raw.ends_with("END:VCARD\r\n"));
    for (std::size_t at = 0, end = 0; at < raw.size(); at = end + 2) {
        end = raw.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = raw.substr(at, end - at);
        EXPECT_LE(line.size(), 75u) << line;
        EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
        EXPECT_FALSE(line.empty() && end + 2 < raw.size()) << "no empty line inside";
    }

    testsupport::writeFileBytes(dir.file("read.py"), kReader);
    const e2e::CliRun read = e2e::runShell(
        "/usr/bin/python3 " + e2e::quoted(dir.file("read.py")) + " " + e2e::quoted(cards), dir);
    ASSERT_EQ(read.exitStatus, 0) << read.err;

    fixtures::AddressBookSampleCounts counts;
    counts.contacts = options.contacts;
    counts.deletedContacts = std::max(1, options.contacts / 10);
    const fixtures::AddressBookData book = fixtures::sampleAddressBookData(options.seed, counts);
    const std::set<std::int64_t> deleted(book.deleteContactRowids.begin(),
                                         book.deleteContactRowids.end());
    std::multiset<std::string> expected;
    for (const fixtures::Contact& contact : book.contacts) {
        expected.insert(expectedLine(contact, deleted.contains(contact.rowid)));
    }
    std::multiset<std::string> seen;
    for (std::size_t at = 0, end = 0; at < read.out.size(); at = end + 1) {
        end = std::min(read.out.find('\n', at), read.out.size());
        seen.insert(read.out.substr(at, end - at));
    }
    EXPECT_EQ(seen, expected);

    // The HTML page beside the cards shows each number under its label too.
    const std::string page = testsupport::readFileBytes(
        (std::filesystem::path(cards).parent_path() / "Contacts.html").string());
    EXPECT_NE(page.find("mobile: "), std::string::npos);
    EXPECT_EQ(page.find("_$!&lt;"), std::string::npos) << "labels as the device shows them";
}

} // namespace
