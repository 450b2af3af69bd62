// Preview copies, copies to the output and the WhatsApp chat text.
#include "extract/FileCopy.h"

#include "extract/WhatsAppBuilder.h"
#include "fixtures/backup/MediaBytes.h"
#include "support/FailingFile.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

struct Report
{
    int percent;
    int status;
    std::string path;
};

struct Recorder
{
    std::vector<Report> reports;
    int stopAt = -1;

    static int copy(void* user, int percent, int status, const std::string& path)
    {
        auto* self = static_cast<Recorder*>(user);
        self->reports.push_back({percent, status, path});
        return static_cast<int>(self->reports.size()) == self->stopAt ? 2 : 0;
    }

    static int scan(void* user, int percent) { return copy(user, percent, 0, {}); }
};

TEST(CopyOutTest, CopiesBlocksReportsAndReplacesAnOlderLongerFile)
{
    testsupport::TempDir dir;
    std::string content(3 * extract::kCopyBlockBytes + 100, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7);
    }
    testsupport::writeFileBytes(dir.file("source"), content);
    const std::string destination = dir.file("out/deep/copy.bin");
    Recorder recorder;
    ASSERT_EQ(extract::copyOut(dir.file("source"), destination, &Recorder::copy, &recorder), 0);
    EXPECT_EQ(testsupport::readFileBytes(destination), content);
    ASSERT_EQ(recorder.reports.size(), 4u);
    EXPECT_EQ(recorder.reports.back().percent, 100);
    EXPECT_EQ(recorder.reports.front().path, destination);

    testsupport::writeFileBytes(dir.file("short"), "abc");
    ASSERT_EQ(extract::copyOut(dir.file("short"), destination, nullptr, nullptr), 0);
    EXPECT_EQ(testsupport::readFileBytes(destination), "abc") << "no stale tail of the older copy";
}

TEST(CopyOutTest, FailuresStopsAndEmptyFiles)
{
    testsupport::TempDir dir;
    Recorder missing;
    EXPECT_EQ(extract::copyOut(dir.file("absent"), dir.file("x"), &Recorder::copy, &missing), 87);
    ASSERT_EQ(missing.reports.size(), 1u);
    EXPECT_EQ(missing.reports[0].percent, 100);
    EXPECT_EQ(missing.reports[0].status, 87);

    testsupport::writeFileBytes(dir.file("big"), std::string(4 * extract::kCopyBlockBytes, 'x'));
    Recorder stopping;
    stopping.stopAt = 2;
    EXPECT_EQ(extract::copyOut(dir.file("big"), dir.file("y"), &Recorder::copy, &stopping), 2);
    EXPECT_EQ(stopping.reports.size(), 3u) << "two blocks, then the stop reported with 100";

    testsupport::writeFileBytes(dir.file("empty"), "");
    Recorder empty;
    EXPECT_EQ(extract::copyOut(dir.file("empty"), dir.file("z"), &Recorder::copy, &empty), 0);
    EXPECT_TRUE(empty.reports.empty());
    EXPECT_EQ(testsupport::readFileBytes(dir.file("z")), "");
}

TEST(CopyOutTest, ReadErrorsPartWayReportShortRead)
{
    // A source that fails or delivers nothing part-way through the third block: two blocks
    // are copied and reported, then the copy ends with 30, reported once more with 100.
    testsupport::TempDir dir;
    const std::string content(4 * extract::kCopyBlockBytes, 'q');
    using Failure = testsupport::FailingFile::Failure;
    for (const Failure failure : {Failure::Error, Failure::ShortRead}) {
        const testsupport::FailingFile source(content, 2 * extract::kCopyBlockBytes, failure);
        Recorder recorder;
        const std::string destination = dir.file("out/copy");
        EXPECT_EQ(extract::copyOut(source, destination, &Recorder::copy, &recorder), 30);
        ASSERT_EQ(recorder.reports.size(), 3u);
        EXPECT_EQ(recorder.reports[1].percent, 50);
        EXPECT_EQ(recorder.reports[2].percent, 100);
        EXPECT_EQ(recorder.reports[2].status, 30);
        EXPECT_EQ(testsupport::readFileBytes(destination).size(), 2 * extract::kCopyBlockBytes);
    }
}

TEST(PreviewCopyTest, KindDecidesTheTemporaryName)
{
    testsupport::TempDir dir;

    struct Row
    {
        std::string content;
        std::string expected;
        int status;
    };

    using fixtures::MediaKind;
    const Row rows[] = {
        {fixtures::mediaBytes(MediaKind::Png, 1), "tmp.jpg", 0},
        {fixtures::mediaBytes(MediaKind::Wav, 2), "tmp.wav", 0},
        {fixtures::mediaBytes(MediaKind::Mov, 3), "tmp.avi", 0},
        {fixtures::mediaBytes(MediaKind::Heic, 4), "tmp.jpg", 0},
        {fixtures::mediaBytes(MediaKind::WebP, 5), "tmp.jpg", 0},
        {std::string(1000, 'q'), "", 87},
    };
    for (const Row& row : rows) {
        testsupport::writeFileBytes(dir.file("source"), row.content);
        Recorder recorder;
        std::string temp;
        EXPECT_EQ(extract::makePreviewCopy(
                      dir.path(), dir.file("source"), temp, &Recorder::scan, &recorder),
                  row.status);
        ASSERT_FALSE(recorder.reports.empty());
        EXPECT_EQ(recorder.reports.back().percent, 100) << "100 is always reported";
        if (row.status == 0) {
            EXPECT_EQ(temp, dir.file(row.expected));
            EXPECT_EQ(testsupport::readFileBytes(temp), row.content);
        }
    }
}

TEST(WhatsAppChatTextTest, WritesSendersAndTexts)
{
    testsupport::TempDir dir;
    extract::WhatsAppMap map;
    extract::WhatsAppMessage own;
    own.isFromMe = 1;
    own.senderName = "Me";
    own.date = "2020-01-01 10:00:00";
    own.text = "hi";
    extract::WhatsAppMessage unknown;
    unknown.senderName = "Unknown";
    unknown.senderAddress = "4155550123";
    unknown.date = "2020-01-01 10:01:00";
    unknown.text = "hello";
    extract::WhatsAppMessage named = unknown;
    named.senderName = "Anna";
    map[3] = {own, unknown, named};
    Recorder recorder;
    const std::string path = dir.file("chats/3.txt");
    ASSERT_EQ(extract::writeWhatsAppChatText(map, 3, path, &Recorder::copy, &recorder), 0);
    EXPECT_EQ(testsupport::readFileBytes(path),
              "\xEF\xBB\xBF"
              "2020-01-01 10:00:00 Me:\r\n    hi\r\n\r\n"
              "2020-01-01 10:01:00 4155550123:\r\n    hello\r\n\r\n"
              "2020-01-01 10:01:00 Anna:\r\n    hello\r\n\r\n");
    ASSERT_EQ(recorder.reports.size(), 3u);
    EXPECT_EQ(recorder.reports[0].percent, 33);
    EXPECT_EQ(recorder.reports[2].percent, 100);

    ASSERT_EQ(extract::writeWhatsAppChatText(map, 99, dir.file("none.txt"), nullptr, nullptr), 0);
    EXPECT_EQ(testsupport::readFileBytes(dir.file("none.txt")), "\xEF\xBB\xBF");
}

} // namespace
