// The export writers: names, labels, durations, templates and the bytes of every kind of file.
#include "ExportFixture.h"
#include "export/ExportWriters.h"
#include "platform/Status.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace exporting;
using testsupport::readFileBytes;
using testsupport::writeFileBytes;

TEST(WritersTest, FormatsDurationsAndCallStatuses)
{
    const struct
    {
        std::int64_t seconds;
        const char* expected;
    } durations[] = {
        {3725, "1 Hour 2 Min"},
        {3600, "1 Hour 0 Min"},
        {3599, "59 Min 59 Sec"},
        {125, "2 Min 5 Sec"},
        {60, "1 Min 0 Sec"},
        {59, "59 Sec"},
        {0, "0 Sec"},
        {-5, "-5 Sec"},
        {90061, "25 Hour 1 Min"},
    };

    for (const auto& d : durations) {
        EXPECT_EQ(formatDuration(d.seconds), d.expected) << d.seconds;
    }
    EXPECT_EQ(callStatus({0, 1, 0, "", "1", ""}), "Missed");
    EXPECT_EQ(callStatus({0, 0, 0, "", "1", ""}), "Canceled");
    EXPECT_EQ(callStatus({0, 0, 125, "", "1", ""}), "2 Min 5 Sec");
}

TEST(WritersTest, RunStampIsFourteenDigitsOfLocalTime)
{
    // 2015-06-01 12:00:00 UTC is 2015-06-02 00:45:00 in Chatham's winter (UTC+12:45).
    EXPECT_EQ(runStamp(1433160000), "20150602004500");
}

TEST(WritersTest, MakeUniquePathCountsUpWithoutLimit)
{
    testsupport::TempDir dir;
    const std::string wanted = dir.file("page.html");
    EXPECT_EQ(makeUniquePath(wanted), wanted);
    writeFileBytes(wanted, "x");
    EXPECT_EQ(makeUniquePath(wanted), dir.file("page(1).html"));
    for (int n = 1; n <= 12; ++n) {
        writeFileBytes(dir.file("page(" + std::to_string(n) + ").html"), "x");
    }
    EXPECT_EQ(makeUniquePath(wanted), dir.file("page(13).html"));

    std::filesystem::create_directory(dir.file("folder"));
    EXPECT_EQ(makeUniquePath(dir.file("folder")), dir.file("folder(1)"));

    // Names far beyond 519 characters are no obstacle.
    const std::string deep = dir.path() + "/" + std::string(200, 'd') + "/" +
                             std::string(200, 'e') + "/" + std::string(200, 'f');
    std::filesystem::create_directories(deep);
    writeFileBytes(deep + "/long.txt", "x");
    EXPECT_EQ(makeUniquePath(deep + "/long.txt"), deep + "/long(1).txt");
}

TEST(WritersTest, LabelsOfConversationsChatsAndSenders)
{
    extract::ConversationSummary conversation;
    conversation.contactName = "";
    conversation.address = "+1555";
    EXPECT_EQ(conversationLabel(conversation), "Unknown(+1555)");
    EXPECT_EQ(personLine(conversation), "Name: Unknown, Phone: +1555");
    conversation.contactName = "Bob";
    conversation.address = "";
    EXPECT_EQ(conversationLabel(conversation), "Bob");

    extract::WhatsAppMessage chat;
    chat.sessionAddresses = "1555";
    EXPECT_EQ(chatLabel(chat), "1555");
    chat.sessionMembers = "Cara";
    EXPECT_EQ(chatLabel(chat), "Cara(1555)");
    chat.sessionMembers = "Cara,Dan";
    chat.sessionName = "Climbing";
    EXPECT_EQ(chatLabel(chat), "Climbing");
    chat.sessionName = "";
    EXPECT_EQ(chatLabel(chat), "Unknown");
    EXPECT_EQ(personLine(chat), "Name: Cara,Dan, Phone: 1555");

    extract::MessageRecord message;
    message.address = "+1555";
    for (const char* name : {"", "Unknown"}) {
        message.contactName = name;
        EXPECT_EQ(senderLabelHtml(message), "+1555") << name;
        EXPECT_EQ(senderLabelText(message), "+1555") << name;
    }
    message.contactName = "Bob";
    EXPECT_EQ(senderLabelHtml(message), "Bob");
    EXPECT_EQ(senderLabelText(message), "Bob(+1555)");
}

TEST(WritersTest, LoadTemplateSplitsAtContentAndFillsEscapedTitles)
{
    testsupport::TempDir dir;
    ExportState state;
    state.deviceName = "Ann's <b>Phone</b>";
    EXPECT_EQ(loadTemplate(state, TemplateKind::Notes, dir.path()),
              platform::statusFromErrno(ENOENT));

    writeFileBytes(dir.file("Notes.html"),
                   "<title>{|title|}</title>{|title|}{|content|}tail{|content|}{|title|}");
    ASSERT_EQ(loadTemplate(state, TemplateKind::Notes, dir.path()), 0);
    const std::string title = "iPhone's Notes of Ann&#39;s &lt;b&gt;Phone&lt;/b&gt;";
    EXPECT_EQ(state.group(TemplateKind::Notes).head, "<title>" + title + "</title>" + title);
    EXPECT_EQ(state.group(TemplateKind::Notes).tail, "tail{|content|}{|title|}");

    // A device name holding the placeholder is not expanded again.
    ExportState looping;
    looping.deviceName = "{|title|}";
    ASSERT_EQ(loadTemplate(looping, TemplateKind::Notes, dir.path()), 0);
    EXPECT_EQ(looping.group(TemplateKind::Notes).head,
              "<title>iPhone's Notes of {|title|}</title>iPhone's Notes of {|title|}");

    writeFileBytes(dir.file("Sms.html"), "no placeholder here");
    EXPECT_EQ(loadTemplate(state, TemplateKind::Sms, dir.path()), platform::kStatusInvalid);
}

struct Reports
{
    std::vector<std::pair<int, int>> calls; // percent, status
    int answerAt = -1;                      // call index at which to answer 2

    static int callback(void* user, int percent, int status, const std::string&)
    {
        auto* self = static_cast<Reports*>(user);
        self->calls.emplace_back(percent, status);
        return static_cast<int>(self->calls.size()) - 1 == self->answerAt ? 2 : 0;
    }
};

class WriterBytesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        results = exporttest::writeSmallBackup(dir.file("backup"));
        exporttest::writeTestTemplates(dir.file("template"));
        state.deviceName = "Ann's iPhone";
        state.callback = &Reports::callback;
        state.userData = &reports;
        for (std::size_t i = 0; i < kTemplateCount; ++i) {
            ASSERT_EQ(loadTemplate(state, static_cast<TemplateKind>(i), dir.file("template")), 0);
        }
    }

    testsupport::TempDir dir;
    extract::ScanResults results;
    ExportState state;
    Reports reports;
};

TEST_F(WriterBytesTest, ConversationPageTranscriptAndChatTable)
{
    buildPersonHead(state, TemplateKind::Sms, personLine(results.conversations[0]));
    const std::string page = dir.file("out/sms/Bob.html");
    ASSERT_EQ(writeConversationHtml(state, page, results.messages, 7), 0);
    EXPECT_EQ(readFileBytes(page),
              "<h>iPhone's Messages of Ann&#39;s iPhone|Name: Bob, Phone: +15550100</h>\n"
              "<div class=\"date\">Date: 2015-05-01 10:00:00 Bob:</div>\r\n"
              "<div class=\"recv_msg\">Hi there</div>\r\n"
              "<div class=\"date\">Date: 2015-05-01 10:01:00 Me:</div>\r\n"
              "<div class=\"send_msg\">Hello Bob</div>\r\n"
              "<div class=\"date\">Date: 2015-05-01 10:02:00 Bob:</div>\r\n"
              "<div class=\"del_recv_msg\">gone</div>\r\n"
              "</t>\n");
    EXPECT_EQ(reports.calls, (std::vector<std::pair<int, int>>{{33, 0}, {66, 0}, {100, 0}}));

    const std::string text = dir.file("out/sms/Bob.txt");
    ASSERT_EQ(writeConversationText(text, results.messages, 7), 0);
    EXPECT_EQ(readFileBytes(text),
              "\xEF\xBB\xBF"
              "      From: Bob(+15550100)\r\n"
              "      Data: 2015-05-01 10:00:00\r\n"
              "   Content: Hi there\r\n\r\n"
              "        To: Bob(+15550100)\r\n"
              "      Data: 2015-05-01 10:01:00\r\n"
              "   Content: Hello Bob\r\n\r\n"
              "      From: Bob(+15550100)\r\n"
              "      Data: 2015-05-01 10:02:00\r\n"
              "   Content: gone\r\n\r\n");

    buildPersonHead(state, TemplateKind::WhatsApp, personLine(results.whatsApp[5].front()));
    const std::string chatPage = dir.file("out/wa/Cara.html");
    ASSERT_EQ(writeConversationHtml(state, chatPage, results.whatsApp, 5), 0);
    EXPECT_EQ(readFileBytes(chatPage),
              "<h>iPhone's WhatsApp Messages of Ann&#39;s iPhone|Name: Cara, Phone: 15550111</h>\n"
              "<div class=\"date\">Date: 2015-05-03 09:00:00 Cara:</div>\r\n"
              "<div class=\"recv_msg\">see you</div>\r\n"
              "<div class=\"date\">Date: 2015-05-03 09:05:00 Me:</div>\r\n"
              "<div class=\"del_send_msg\">ok, later</div>\r\n"
              "</t>\n");

    const std::string csv = dir.file("out/wa/Cara.csv");
    ASSERT_EQ(writeChatCsv(csv, results.whatsApp, 5), 0);
    EXPECT_EQ(readFileBytes(csv),
              "\xEF\xBB\xBF"
              "Chats,Name/Phone,Date,Type,Content\r\n"
              "Cara,15550111,2015-05-03 09:00:00,Received,see you\r\n"
              "Me,,2015-05-03 09:05:00,Send,\"ok, later\"\r\n");
}

TEST_F(WriterBytesTest, StoppedAndMissingConversationsAndUnwritablePages)
{
    // A stop at the second message still writes what was built, and reports the stop once.
    reports.answerAt = 1;
    const std::string page = dir.file("out/stopped.html");
    EXPECT_EQ(writeConversationHtml(state, page, results.messages, 7), 2);
    EXPECT_EQ(reports.calls, (std::vector<std::pair<int, int>>{{33, 0}, {66, 0}, {100, 2}}));
    const std::string written = readFileBytes(page);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), 6);

    // A conversation id that is not in the map gives a page without messages and no report.
    reports.calls.clear();
    reports.answerAt = -1;
    EXPECT_EQ(writeConversationHtml(state, dir.file("out/none.html"), results.messages, 99), 0);
    EXPECT_TRUE(reports.calls.empty());

    // A page that cannot be created is reported with its error.
    writeFileBytes(dir.file("blocker"), "file");
    EXPECT_NE(writeConversationHtml(state, dir.file("blocker/x.html"), results.messages, 7), 0);
    ASSERT_EQ(reports.calls.size(), 1U);
    EXPECT_EQ(reports.calls[0].first, 100);
    EXPECT_NE(reports.calls[0].second, 0);
}

TEST_F(WriterBytesTest, AggregateRowsAndPages)
{
    for (const auto& call : results.calls) {
        EXPECT_EQ(appendCallRow(state, call, "calls.html"), 0);
    }
    for (const auto& note : results.notes) {
        EXPECT_EQ(appendNoteRow(state, note, "notes.html"), 0);
    }
    for (const auto& contact : results.contacts) {
        EXPECT_EQ(appendContactRow(state, contact, "contacts.html"), 0);
    }
    EXPECT_EQ(reports.calls.size(), 7U);
    EXPECT_EQ(state.group(TemplateKind::CallHistory).body,
              "\t<tr><td>Bob</td><td>+15550100</td><td>2015-05-04 07:00:00</td><td>Incoming</td>"
              "<td>1 Hour 2 Min</td></tr>\r\n"
              "\t<tr class=\"deleted\"><td></td><td>+15550199</td><td>2015-05-04 06:00:00</td>"
              "<td>Outgoing</td><td>Canceled</td></tr>\r\n"
              "\t<tr><td>Dan</td><td>+15550198</td><td>2015-05-04 05:00:00</td><td>Incoming</td>"
              "<td>Missed</td></tr>\r\n");
    EXPECT_EQ(state.group(TemplateKind::Notes).body,
              "\t<tr><td>Shopping</td><td>2015-05-05 12:00:00</td><td>milk\neggs</td></tr>\r\n"
              "\t<tr class=\"deleted\"><td>Old</td><td>2015-05-05 11:00:00</td><td>gone</td>"
              "</tr>\r\n");
    EXPECT_EQ(state.group(TemplateKind::Contacts).body,
              "\t<tr><td>Ann Lee</td><td>+1555<br />+1666</td><td>ann@example.com</td>"
              "<td>1 Road</td><td>http://a.example</td><td></td><td>Acme</td></tr>\r\n"
              "\t<tr class=\"deleted\"><td>Old Friend</td><td>+1777</td><td></td><td></td>"
              "<td></td><td></td><td></td></tr>\r\n");

    const std::string page = dir.file("out/Notes/Notes_1.html");
    ASSERT_EQ(writeAggregatePage(state, TemplateKind::Notes, page), 0);
    EXPECT_EQ(readFileBytes(page),
              "<h>iPhone's Notes of Ann&#39;s iPhone|{|person|}</h>\n" +
                  state.group(TemplateKind::Notes).body + "</t>\n");
}

} // namespace
