// The print page: blocks per ticked record, the deleted-only mark, escaping and cancelling.
#include "export/PrintPage.h"

#include "ExportFixture.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <filesystem>
#include <memory>

#include <gtest/gtest.h>

namespace {

using exporting::PrintPageBuilder;
using extract::RecoveryCategory;

std::size_t countOf(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

class PrintPageTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        results = exporttest::writeSmallBackup(dir.file("backup"));
        auto third = results.whatsApp[5].back();
        third.text = "<script>x()</script>";
        third.isFromMe = 0;
        third.senderName = "Cara";
        results.whatsApp[5].push_back(third);
        exporttest::writeTestTemplates(dir.file("template"));
        stats.fill(results, extract::CategorySet::all());
    }

    std::string body(RecoveryCategory category, bool deletedOnly)
    {
        PrintPageBuilder builder(results, stats);
        std::string text;
        EXPECT_EQ(builder.buildBody(category, deletedOnly, text), 0);
        return text;
    }

    testsupport::TempDir dir;
    extract::ScanResults results;
    exporting::CStatisticsObj stats;
};

TEST_F(PrintPageTest, BlocksPerCategory)
{
    EXPECT_EQ(body(RecoveryCategory::Notes, false),
              "<div>\r\n<p><span>Title:</span>Shopping</p>\r\n"
              "<p><span>Date:</span>2015-05-05 12:00:00</p>\r\n"
              "<p><span>Notes:</span>milk\neggs</p>\r\n</div>\r\n"
              "<div>\r\n<p><span>Title:</span>Old</p>\r\n"
              "<p><span>Date:</span>2015-05-05 11:00:00</p>\r\n"
              "<p><span>Notes:</span>gone</p>\r\n</div>\r\n");
    EXPECT_EQ(body(RecoveryCategory::Notes, true),
              "<div>\r\n<p><span>Title:</span>Old</p>\r\n"
              "<p><span>Date:</span>2015-05-05 11:00:00</p>\r\n"
              "<p><span>Notes:</span>gone</p>\r\n</div>\r\n");

    // A conversation of three messages gives three blocks.
    const std::string messages = body(RecoveryCategory::Messages, true);
    EXPECT_EQ(countOf(messages, "<div>"), 3U);
    EXPECT_NE(messages.find("<p><span>From:</span>Bob(+15550100)</p>"), std::string::npos);
    EXPECT_NE(messages.find("<p><span>To:</span>Bob(+15550100)</p>"), std::string::npos);

    // As a group: its name and members head the block, the owner's messages go to the group,
    // and a message's reactions follow its content.
    auto group = std::make_shared<extract::ConversationInfo>();
    group->name = "Trip";
    group->isGroup = true;
    group->participants = {"+15550100", "+15550199"};
    auto details = std::make_shared<extract::MessageDetails>();
    details->reactions.push_back({"loved", "", "Bob", "2015-05-05 12:00:00"});
    for (auto& [key, conversation] : results.messages) {
        for (extract::MessageRecord& message : conversation) {
            message.conversation = group;
        }
    }
    results.messages.begin()->second.front().details = details;
    for (extract::ConversationSummary& summary : results.conversations) {
        summary.conversation = group;
    }
    const std::string inGroup = body(RecoveryCategory::Messages, false);
    for (const char* line : {"<p><span>Group:</span>Trip</p>",
                             "<p><span>Members:</span>+15550100, +15550199</p>",
                             "<p><span>To:</span>Trip</p>",
                             "<p><span>Note:</span>Loved by Bob</p>"}) {
        EXPECT_NE(inGroup.find(line), std::string::npos) << line;
    }

    // A chat of three messages gives one block with three message lines, escaped.
    const std::string chat = body(RecoveryCategory::WhatsApp, false);
    EXPECT_EQ(countOf(chat, "<div>"), 1U);
    EXPECT_NE(chat.find("<p><span>Content:</span></p>\r\n<p>Cara (2015-05-03 09:00:00): see you</p>"
                        "<p>Me (2015-05-03 09:05:00): ok, later</p>"
                        "<p>Cara (2015-05-03 09:05:00): &lt;script&gt;x()&lt;/script&gt;</p>"),
              std::string::npos)
        << chat;

    EXPECT_EQ(countOf(body(RecoveryCategory::CallHistory, false), "<div>"), 3U);
    EXPECT_NE(body(RecoveryCategory::CallHistory, false)
                  .find("<p><span>Duration:</span>1 Hour 2 Min</p>"),
              std::string::npos);
    EXPECT_NE(body(RecoveryCategory::Contacts, false)
                  .find("<p><span>Phone Number:</span>+1555<br />+1666</p>"),
              std::string::npos);

    EXPECT_EQ(body(RecoveryCategory::CameraRoll, false), "");

    // Unticked records are not printed.
    ASSERT_EQ(stats.untick(&results.notes[1]), 0);
    EXPECT_EQ(body(RecoveryCategory::Notes, true), "");
}

TEST_F(PrintPageTest, WritesThePageFromTheTemplateOrBodyAloneAndStopsWhenCancelled)
{
    const std::string page = exporting::printPagePath(dir.file("app"));
    EXPECT_EQ(page, dir.file("app") + "/Print/page.html");
    {
        PrintPageBuilder builder(results, stats);
        ASSERT_EQ(builder.run(RecoveryCategory::Notes, true, dir.file("template/Print.html"), page),
                  0);
    }
    const std::string notes = body(RecoveryCategory::Notes, true);
    EXPECT_EQ(testsupport::readFileBytes(page), "<print>\n" + notes + "</print>\n");

    {
        PrintPageBuilder builder(results, stats);
        ASSERT_EQ(builder.run(RecoveryCategory::Notes, true, dir.file("template/none.html"), page),
                  0);
    }
    EXPECT_EQ(testsupport::readFileBytes(page), notes);

    std::filesystem::remove(page);
    PrintPageBuilder cancelled(results, stats);
    cancelled.cancel();
    EXPECT_EQ(cancelled.run(RecoveryCategory::Notes, false, dir.file("template/Print.html"), page),
              2);
    EXPECT_FALSE(std::filesystem::exists(page));
}

} // namespace
