// The recovery run end to end over a small generated backup: the folder layout and bytes,
// name clashes, a hostile backup, files that cannot be written, cancelling and pausing.
#include "export/RecoveryRun.h"

#include "ExportFixture.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <chrono>
#include <filesystem>
#include <set>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace exporting;
using testsupport::readFileBytes;

// 2015-06-01 12:00:00 UTC; local time in Chatham is 2015-06-02 00:45:00.
constexpr std::int64_t kRunTime = 1433160000;
constexpr const char* kStamp = "20150602004500";

class Recorder : public RecoveryObserver
{
public:
    void itemFinished(const std::string& path,
                      int status,
                      std::uint64_t processed,
                      std::uint64_t,
                      std::uint64_t) override
    {
        items.emplace_back(path, status);
        if (run != nullptr && processed == cancelAt) {
            run->cancel();
        }
    }

    std::vector<std::pair<std::string, int>> items;
    RecoveryRun* run = nullptr;
    std::uint64_t cancelAt = 0;
};

class RecoveryRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        results = exporttest::writeSmallBackup(dir.file("backup"));
        exporttest::writeTestTemplates(dir.file("template"));
    }

    RecoveryRunInputs inputs()
    {
        stats.fill(results, extract::CategorySet::all());
        RecoveryRunInputs in;
        in.outputRoot = dir.file("out");
        in.templateFolder = dir.file("template");
        in.deviceName = "Ann's iPhone";
        in.results = &results;
        in.statistics = &stats;
        in.source = &source;
        in.clock = [] { return kRunTime; };
        return in;
    }

    std::string backupBytes(const std::string& path) { return readFileBytes(path); }

    testsupport::TempDir dir;
    extract::ScanResults results;
    CStatisticsObj stats;
    exporttest::CopyingSource source;
    Recorder recorder;
};

TEST_F(RecoveryRunTest, WritesTheFolderLayoutPagesTablesCopiesAndDumps)
{
    RecoveryRun run(inputs(), &recorder);
    ASSERT_EQ(run.loadTemplates(), 0);
    EXPECT_EQ(run.run(), 0);
    EXPECT_TRUE(run.finished());
    EXPECT_EQ(run.state().runStamp, kStamp);
    // 4 copies, 2 conversation pages, 1 chat page, 2 contacts, 3 calls, 2 notes.
    EXPECT_EQ(run.state().processed, 14U);
    EXPECT_EQ(run.state().failed, 0U);
    EXPECT_EQ(run.state().total, 14U);
    ASSERT_EQ(recorder.items.size(), 14U);
    for (const auto& [path, status] : recorder.items) {
        EXPECT_EQ(status, 0) << path;
    }
    // Three calls are reported under the one page that holds them.
    const std::string callPage =
        dir.file("out") + "/CallHistory/CallHistory_" + std::string(kStamp) + ".html";
    EXPECT_EQ(std::count_if(recorder.items.begin(),
                            recorder.items.end(),
                            [&](const auto& item) { return item.first == callPage; }),
              3);

    const std::string s = kStamp;
    const auto tree = exporttest::readTree(dir.file("out"));
    std::vector<std::string> names;
    for (const auto& [name, bytes] : tree) {
        names.push_back(name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{
                  "App Photos/Camera/shot.png",
                  "CallHistory/CallHistory_" + s + ".html",
                  "Camera Roll/" + s + "/Photos.csv",
                  "Camera Roll/IMG_0001.JPG",
                  "Camera Roll/IMG_0002.MOV",
                  "Contacts/" + s + "/Contacts.csv",
                  "Contacts/" + s + "/Contacts.html",
                  "Contacts/" + s + "/Contacts.vcf",
                  "Message Attachments/IMG_0003.GIF",
                  "Message/Bob-" + s + "/Bob(+15550100).html",
                  "Message/Bob-" + s + "/Bob(+15550100).txt",
                  "Message/Unknown-" + s + "/Unknown.html",
                  "Message/Unknown-" + s + "/Unknown.txt",
                  "Message/sms.csv",
                  "Notes/Notes_" + s + ".html",
                  "WhatsApp Message/Cara(15550111)-" + s + "/Cara(15550111).csv",
                  "WhatsApp Message/Cara(15550111)-" + s + "/Cara(15550111).html",
                  "WhatsApp Message/Cara(15550111)-" + s + "/Cara(15550111).txt",
              }));

    // Copies are byte-identical to the backup's files.
    EXPECT_EQ(tree.at("Camera Roll/IMG_0001.JPG"), backupBytes(results.cameraRoll[0].path));
    EXPECT_EQ(tree.at("Camera Roll/IMG_0002.MOV"), backupBytes(results.cameraRoll[1].path));
    EXPECT_EQ(tree.at("App Photos/Camera/shot.png"),
              backupBytes(results.appPhotos["Camera"][0].path));
    EXPECT_EQ(tree.at("Message Attachments/IMG_0003.GIF"),
              backupBytes(results.messageAttachments[0].path));

    EXPECT_EQ(tree.at("Message/Unknown-" + s + "/Unknown.html"),
              "<h>iPhone's Messages of Ann&#39;s iPhone|Name: Unknown, Phone: </h>\n"
              "<div class=\"date\">Date: 2015-05-02 08:00:00 :</div>\r\n"
              "<div class=\"recv_msg\">no handle</div>\r\n"
              "</t>\n");
    EXPECT_EQ(tree.at("Contacts/" + s + "/Contacts.html"),
              "<h>iPhone's Contacts of Ann&#39;s iPhone|{|person|}</h>\n"
              "\t<tr><td>Ann Lee</td><td>+1555<br />+1666</td><td>ann@example.com</td>"
              "<td>1 Road</td><td>http://a.example</td><td></td><td>Acme</td></tr>\r\n"
              "\t<tr class=\"deleted\"><td>Old Friend</td><td>+1777</td><td></td><td></td>"
              "<td></td><td></td><td></td></tr>\r\n"
              "</t>\n");
    EXPECT_EQ(tree.at("Message/sms.csv"), "message table dump\n");
    EXPECT_EQ(tree.at("Contacts/" + s + "/Contacts.csv"), "contact table dump\n");
    // The cards of the same contacts, in the same order.
    const std::string& cards = tree.at("Contacts/" + s + "/Contacts.vcf");
    EXPECT_TRUE(cards.starts_with("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ann Lee\r\n")) << cards;
    EXPECT_NE(cards.find("FN:Old Friend\r\n", 20), std::string::npos) << cards;
}

TEST_F(RecoveryRunTest, EveryFileThatCannotBeWrittenIsReportedAndCountedAsFailed)
{
    const std::string s = kStamp;
    const std::string bob = "Message/Bob-" + s + "/Bob(+15550100)";
    const std::string unknown = "Message/Unknown-" + s + "/Unknown";
    const std::string chat = "WhatsApp Message/Cara(15550111)-" + s + "/Cara(15550111)";
    const std::string notesPage = "Notes/Notes_" + s + ".html";

    // What stands in the way: a plain file where a folder belongs, or the page linked to a
    // full device (both fail for root too). Extra counts the dumps and pages that failed on
    // top of the 14 items.
    const struct
    {
        std::string blocker;
        bool full;
        std::uint64_t failed;
        std::uint64_t extra;
        std::set<std::string> reported;
    } cases[] = {
        {"Message",
         false,
         3,
         1,
         {bob + ".html", bob + ".txt", unknown + ".html", unknown + ".txt", "Message/sms.csv"}},
        {"WhatsApp Message", false, 1, 0, {chat + ".html", chat + ".txt", chat + ".csv"}},
        {"Contacts",
         false,
         3,
         3,
         {"Contacts/" + s + "/Contacts.csv",
          "Contacts/" + s + "/Contacts.html",
          "Contacts/" + s + "/Contacts.vcf"}},
        {"CallHistory", false, 1, 1, {"CallHistory/CallHistory_" + s + ".html"}},
        {"Camera Roll", false, 2, 0, {"Camera Roll/IMG_0001.JPG", "Camera Roll/IMG_0002.MOV"}},
        {notesPage, true, 1, 1, {notesPage}},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocker);
        std::filesystem::remove_all(dir.file("out"));
        const std::string blocker = dir.file("out/" + c.blocker);
        std::filesystem::create_directories(std::filesystem::path(blocker).parent_path());
        if (c.full) {
            std::filesystem::create_symlink("/dev/full", blocker);
        } else {
            testsupport::writeFileBytes(blocker, "in the way");
        }
        recorder.items.clear();
        RecoveryRun run(inputs(), &recorder);
        ASSERT_EQ(run.loadTemplates(), 0);
        EXPECT_EQ(run.run(), 0);
        EXPECT_EQ(run.state().failed, c.failed);
        EXPECT_EQ(run.state().total, 14U + c.extra);
        EXPECT_EQ(run.state().processed, run.state().total);

        std::set<std::string> reported;
        for (const auto& [path, status] : recorder.items) {
            if (status != 0) {
                reported.insert(path.substr(dir.file("out/").size()));
                EXPECT_STRNE(platform::statusName(status), "unknown status") << path;
            }
        }
        EXPECT_EQ(reported, c.reported);
        // The rest of the run is written all the same.
        const auto tree = exporttest::readTree(dir.file("out"));
        EXPECT_EQ(tree.count("App Photos/Camera/shot.png"), 1U);
        EXPECT_EQ(tree.count(notesPage), c.full ? 0U : 1U);
    }
}

TEST_F(RecoveryRunTest, ClashingNamesGetNumberedAndUntickedOrFilteredRecordsAreLeftOut)
{
    {
        RecoveryRun first(inputs(), nullptr);
        ASSERT_EQ(first.loadTemplates(), 0);
        ASSERT_EQ(first.run(), 0);
    }
    ASSERT_EQ(stats.untick(stats.categoryKey(extract::RecoveryCategory::Messages)), 0);
    ASSERT_EQ(stats.untick(&results.cameraRoll[1]), 0);
    ASSERT_EQ(stats.setFiltered(&results.cameraRoll[0], true), 0);
    // inputs() refills the statistics, so build the second run's inputs by hand.
    RecoveryRunInputs in;
    in.outputRoot = dir.file("out");
    in.templateFolder = dir.file("template");
    in.results = &results;
    in.statistics = &stats;
    in.source = &source;
    in.clock = [] { return kRunTime; };
    RecoveryRun second(in, &recorder);
    ASSERT_EQ(second.loadTemplates(), 0);
    ASSERT_EQ(second.run(), 0);
    EXPECT_EQ(second.state().total, 14U - 2 - 2);

    const std::string s = kStamp;
    const auto tree = exporttest::readTree(dir.file("out"));
    EXPECT_EQ(tree.count("Camera Roll/IMG_0001(1).JPG"), 0U) << "filtered out";
    EXPECT_EQ(tree.count("Camera Roll/IMG_0002(1).MOV"), 0U) << "unticked";
    EXPECT_EQ(tree.count("App Photos/Camera/shot(1).png"), 1U);
    EXPECT_EQ(tree.count("Message/Bob-" + s + "/Bob(+15550100)(1).html"), 0U);
    const std::string chat = "WhatsApp Message/Cara(15550111)-" + s + "/Cara(15550111)(1)";
    EXPECT_EQ(tree.count(chat + ".txt"), 1U);
    EXPECT_EQ(tree.count(chat + ".csv"), 1U);
    EXPECT_EQ(tree.count(chat + ".html"), 1U);
    // Aggregate pages and dumps are overwritten in place.
    EXPECT_EQ(tree.count("Notes/Notes_" + s + "(1).html"), 0U);
    EXPECT_EQ(source.contactDumps, 2);
    EXPECT_EQ(source.messageDumps, 1);
}

TEST_F(RecoveryRunTest, HostileBackupExportsSafely)
{
    const std::string hostile = "<script>alert(\"x\")</script>, 'quoted'\r\nnext line\nlast";
    results.messages.clear();
    extract::MessageRecord con{1, 0, 1, 9, "2015-01-01 00:00:00", "", "CON", hostile, ""};
    extract::MessageRecord evil{0, 0, 2, 3, "<b>date</b>", "../../etc", "..", hostile, ""};
    results.messages[9] = {con};
    results.messages[3] = {evil};
    results.conversations = {con, evil};
    for (auto& chat : results.whatsApp[5]) {
        chat.sessionMembers = "../../x";
        chat.sessionAddresses = "../../x";
        chat.senderName = "\"Eve\", the <i>bad</i>";
        chat.text = hostile;
    }
    results.contacts[0].name = "CON";
    results.contacts[0].phones = "<img src=x>\n+1";
    results.notes[0].title = hostile;
    results.calls[0].name = hostile;
    results.messageAttachments[0].name = "a/b\\c.jpg";
    results.cameraRoll[0].name = "..";
    results.cameraRoll[1].name = "../../../escaped.MOV";
    auto node = results.appPhotos.extract("Camera");
    node.key() = "../..";
    node.mapped()[0].app = "../..";
    results.appPhotos.insert(std::move(node));

    RecoveryRun run(inputs(), &recorder);
    ASSERT_EQ(run.loadTemplates(), 0);
    ASSERT_EQ(run.run(), 0);
    EXPECT_EQ(run.state().failed, 0U);

    // Nothing was written beside the output folder.
    std::vector<std::string> top;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        top.push_back(entry.path().filename().string());
    }
    std::sort(top.begin(), top.end());
    EXPECT_EQ(top, (std::vector<std::string>{"backup", "out", "template"}));
    EXPECT_FALSE(std::filesystem::exists(dir.path() + "/../escaped.MOV"));

    const auto tree = exporttest::readTree(dir.file("out"));
    const std::string s = kStamp;
    for (const char* expected : {"Message Attachments/a_b_c.jpg",
                                 "Camera Roll/Unknown",
                                 "Camera Roll/.._.._.._escaped.MOV",
                                 "App Photos/.._/shot.png"}) {
        EXPECT_EQ(tree.count(expected), 1U) << expected;
    }
    EXPECT_EQ(tree.count("Message/_CON-" + s + "/_CON.txt"), 1U);
    EXPECT_EQ(tree.count("Message/Unknown-" + s + "/..(.._.._etc).html"), 1U)
        << "a contact name of two dots names no folder";

    std::size_t pages = 0;
    std::size_t tables = 0;
    for (const auto& [name, bytes] : tree) {
        EXPECT_EQ(name.find("/../"), std::string::npos) << name;
        if (name.ends_with(".html")) {
            ++pages;
            EXPECT_EQ(bytes.find("<script"), std::string::npos) << name;
            EXPECT_EQ(bytes.find("<img"), std::string::npos) << name;
            EXPECT_EQ(bytes.find("<i>"), std::string::npos) << name;
            EXPECT_EQ(bytes.find("<b>"), std::string::npos) << name;
        }
        if (name.ends_with(".csv") && name.starts_with("WhatsApp Message/")) {
            ++tables;
            ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
            const auto rows = exporttest::parseCsv(bytes.substr(3));
            ASSERT_EQ(rows.size(), 3U);
            for (const auto& row : rows) {
                EXPECT_EQ(row.size(), 5U);
            }
            EXPECT_EQ(rows[1][0], "\"Eve\", the <i>bad</i>");
            EXPECT_EQ(rows[1][4], hostile);
            EXPECT_EQ(rows[2][3], "Send");
        }
    }
    EXPECT_EQ(pages, 6U);
    EXPECT_EQ(tables, 1U);
    const std::string notes = tree.at("Notes/Notes_" + s + ".html");
    EXPECT_NE(notes.find("&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;, &#39;quoted&#39;"),
              std::string::npos);
    const std::string contacts = tree.at("Contacts/" + s + "/Contacts.html");
    EXPECT_NE(contacts.find("<td>&lt;img src=x&gt;<br />+1</td>"), std::string::npos);
}

TEST_F(RecoveryRunTest, CancelHalfWayStillWritesTheAggregatePagesOfWhatWasCollected)
{
    RecoveryRun run(inputs(), &recorder);
    recorder.run = &run;
    // Items in category order: 2 camera roll, 1 app photo, 2 conversations, 1 attachment,
    // then the 2 contacts: cancel once the second contact is in.
    recorder.cancelAt = 8;
    ASSERT_EQ(run.loadTemplates(), 0);
    EXPECT_EQ(run.run(), 2);
    EXPECT_TRUE(run.finished());
    EXPECT_EQ(run.state().processed, 8U);

    const std::string s = kStamp;
    const auto tree = exporttest::readTree(dir.file("out"));
    ASSERT_EQ(tree.count("Contacts/" + s + "/Contacts.html"), 1U);
    const std::string contacts = tree.at("Contacts/" + s + "/Contacts.html");
    EXPECT_NE(contacts.find("Ann Lee"), std::string::npos);
    EXPECT_NE(contacts.find("Old Friend"), std::string::npos);
    EXPECT_EQ(tree.count("Contacts/" + s + "/Contacts.csv"), 1U);
    EXPECT_EQ(tree.count("Message/sms.csv"), 1U);
    EXPECT_EQ(tree.count("CallHistory/CallHistory_" + s + ".html"), 0U);
    EXPECT_EQ(tree.count("Notes/Notes_" + s + ".html"), 0U);
    for (const auto& [name, bytes] : tree) {
        EXPECT_FALSE(name.starts_with("WhatsApp Message/")) << name;
    }
}

TEST_F(RecoveryRunTest, PausedWorkerWaitsAndAConfirmedCancelEndsIt)
{
    RecoveryRun run(inputs(), &recorder);
    ASSERT_EQ(run.loadTemplates(), 0);
    {
        auto paused = run.pause();
        ASSERT_EQ(run.start(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_FALSE(run.finished());
        EXPECT_EQ(run.state().processed, 0U);
        run.cancel();
    }
    run.wait();
    EXPECT_TRUE(run.finished());
    EXPECT_EQ(run.state().processed, 0U);
    EXPECT_EQ(run.start(), 87) << "a run starts once";
}

TEST_F(RecoveryRunTest, MissingTemplateRefusesTheRun)
{
    std::filesystem::remove(dir.file("template/WhatsApp.html"));
    RecoveryRun run(inputs(), &recorder);
    EXPECT_NE(run.loadTemplates(), 0);
}

} // namespace
