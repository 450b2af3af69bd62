// `brenvale-cli scan --json` and `export --categories safari-bookmarks,safari-history` run as
// processes on generated backups of both store generations: the JSON holds every live and
// deleted bookmark and page with its fields, the bookmark file reads back through Python's
// HTML parser into the same folders, titles and links, and hostile text stays escaped in the
// pages and quoted in the tables.
#include "CliProcess.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace {

// Prints one line per bookmark of the file ("B", its folders joined by "/", title, link or
// null), per bookmark and page of the scan's JSON ("J", "H") and per row of the two tables
// ("C"), each as a JSON array.
constexpr const char* kReader = R"(import csv, json, sys
from html.parser import HTMLParser
class Bookmarks(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.folders, self.heading, self.text, self.href, self.inside = [], None, "", None, None
    def handle_starttag(self, tag, attrs):
        if tag == "dl":
            self.folders.append(self.heading)
            self.heading = None
        elif tag in ("h3", "a"):
            self.inside, self.text, self.href = tag, "", dict(attrs).get("href")
    def handle_endtag(self, tag):
        if tag == "dl":
            self.folders.pop()
        elif tag == "h3":
            self.heading, self.inside = self.text, None
        elif tag == "a":
            self.inside = None
            path = "/".join(f for f in self.folders if f is not None)
            print("B", json.dumps([path, self.text, self.href], ensure_ascii=False))
    def handle_data(self, data):
        if self.inside:
            self.text += data
folder, scan = sys.argv[1], json.load(open(sys.argv[2], encoding="utf-8"))
Bookmarks().feed(open(folder + "/Bookmarks.html", encoding="utf-8", newline="").read())
for b in scan["categories"]["safariBookmarks"]:
    print("J", json.dumps([b["deleted"], b["title"], b["url"], b["folder"]], ensure_ascii=False))
for h in scan["categories"]["safariHistory"]:
    print("H", json.dumps([h["deleted"], h["url"], h["title"], h["visitCount"], len(h["visits"]),
                           h["lastVisit"] == (h["visits"] or [""])[-1]], ensure_ascii=False))
for name in ("SafariBookmarks.csv", "SafariHistory.csv"):
    for row in csv.reader(open(folder + "/" + name, encoding="utf-8-sig", newline="")):
        print("C", json.dumps(row, ensure_ascii=False))
)";

std::set<std::string> lines(const std::string& text)
{
    std::set<std::string> out;
    for (std::size_t at = 0, end = 0; at < text.size(); at = end + 1) {
        end = std::min(text.find('\n', at), text.size());
        out.insert(text.substr(at, end - at));
    }
    return out;
}

class ExportSafariCliTest : public testing::TestWithParam<bool>
{};

TEST_P(ExportSafariCliTest, BookmarkFileJsonPagesAndTablesHoldEveryRecord)
{
    const bool newer = GetParam();
    testsupport::TempDir dir;
    fixtures::DeviceFilesOptions options;
    options.currentLayouts = newer;
    options.messages = 40;
    options.whatsAppMessages = 20;
    fixtures::BackupDescription spec;
    spec.manifestKind = newer ? fixtures::ManifestKind::Db : fixtures::ManifestKind::Mbdb;
    spec.productVersion = newer ? "17.2" : "9.2.1";
    ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
    ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

    const std::string categories = " --categories safari-bookmarks,safari-history --quiet";
    const e2e::CliRun scan =
        e2e::runCli("scan", e2e::quoted(dir.file("backup")) + " --json" + categories, dir);
    ASSERT_EQ(scan.exitStatus, 0) << scan.err;
    testsupport::writeFileBytes(dir.file("scan.json"), scan.out);
    const e2e::CliRun run = e2e::runCli("export",
                                        e2e::quoted(dir.file("backup")) + " --out " +
                                            e2e::quoted(dir.file("out")) + categories,
                                        dir);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::string folder;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out/Safari"))) {
        folder = entry.path().string();
    }
    testsupport::writeFileBytes(dir.file("read.py"), kReader);
    const e2e::CliRun read =
        e2e::runShell("/usr/bin/python3 " + e2e::quoted(dir.file("read.py")) + " " +
                          e2e::quoted(folder) + " " + e2e::quoted(dir.file("scan.json")),
                      dir);
    ASSERT_EQ(read.exitStatus, 0) << read.err;
    const std::set<std::string> seen = lines(read.out);

    const std::string news = "BookmarksBar/News, \\\"daily\\\"";
    std::vector<std::string> expected = {
        // The bookmark file: folders nested, a javascript: address never a link.
        "B [\"" + news +
            "\", \"<script>alert(1)</script>\", \"https://example.com/?q=<b>&x=\\\"1\\\"\"]",
        "B [\"BookmarksBar\", \"שלום 🌍\", \"https://example.org/rtl\"]",
        "B [\"BookmarksBar\", \"Line one\\r\\nLine two, \\\"quoted\\\"\", null]",
        "B [\"Reading List\", \"Read later\", \"https://read.example/article?id=1&lang=en\"]",
        "B [\"BookmarksMenu\", \"Files\", \"ftp://files.example/pub/\"]",
        "B [\"Loop B/Loop A\", \"Inside a loop\", \"https://loop.example/\"]",
        "B [\"" + news +
            "\", \"Deleted bookmark kept in free space\", \"https://deleted.example/gone\"]",
        // The JSON: live and carved bookmarks, pages with visits, cleared visits and pages.
        "J [0, \"Read later\", \"https://read.example/article?id=1&lang=en\", \"Reading List\"]",
        "J [0, \"Line one\\r\\nLine two, \\\"quoted\\\"\", \"javascript:alert(document.cookie)\", "
        "\"BookmarksBar\"]",
        "J [1, \"Deleted bookmark kept in free space\", \"https://deleted.example/gone\", \"" +
            news + "\"]",
        "H [0, \"https://www.example.com/\", \"Example, \\\"again\\\"\", 3, 2, true]",
        "H [1, \"https://www.example.com/\", \"Example Domain\", 1, 1, true]",
        "H [0, \"https://news.example/a?x=1&y=\\\"2\\\"\", \"<script>alert('x')</script>, "
        "\\\"quoted\\\"\", 1, 1, true]",
        "H [0, \"https://rtl.example/שלום\", \"مرحبا 😀\\r\\nnext\", 1, 1, true]",
        "H [1, \"https://deleted.example/secret-page-kept-in-free-space\", \"Secret page title "
        "kept in free space\", 2, 2, true]",
        // The tables: every field whole, however it is quoted.
        "C [\"\", \"Line one\\r\\nLine two, \\\"quoted\\\"\", "
        "\"javascript:alert(document.cookie)\", "
        "\"BookmarksBar\"]",
    };
    if (newer) {
        expected.push_back("H [0, \"https://work.example/dashboard\", \"Work\", 2, 2, true]");
        expected.push_back("H [1, \"https://cleared.example/\", \"\", 0, 0, true]");
    }
    for (const std::string& line : expected) {
        EXPECT_TRUE(seen.contains(line)) << line << "\n--- seen:\n" << read.out;
    }

    // Pages show markup as text and never link an address.
    for (const char* name : {"SafariBookmarks.html", "SafariHistory.html"}) {
        const std::string page = testsupport::readFileBytes(folder + "/" + name);
        EXPECT_EQ(page.find("<script>"), std::string::npos) << name;
        EXPECT_NE(page.find("&lt;script&gt;"), std::string::npos) << name;
        EXPECT_EQ(page.find("href"), std::string::npos) << name;
        EXPECT_NE(page.find("class=\"deleted\""), std::string::npos) << name;
    }
    EXPECT_EQ(testsupport::readFileBytes(folder + "/Bookmarks.html")
                  .find("javascript:alert(document.cookie)\""),
              std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(OlderAndNewer, ExportSafariCliTest, testing::Bool());

} // namespace
