// The scan driver over a scripted source whose file walks are the real ones: category order,
// the progress rules, stopping in the middle of a manifest walk, pausing, and the messages
// the observer receives.
#include "extract/ScanDriver.h"

#include "BackupUnderTest.h"
#include "extract/MediaScan.h"
#include "fixtures/backup/MediaBytes.h"

#include <chrono>
#include <functional>
#include <future>
#include <mutex>

#include <gtest/gtest.h>

namespace {

using namespace extract;

// A source whose file categories walk the real manifest and whose database categories only
// record that they ran, advance the progress and answer a scripted status.
class ScriptedSource final : public IPhoneRecoveryParse
{
public:
    std::function<int(catalogue::BackupEngine&)> open = [](catalogue::BackupEngine& engine) {
        return engine.openBackup("");
    };
    int databaseStatus = 0;
    std::vector<std::string> calls;

    int Attach(catalogue::BackupEngine* engine) override
    {
        m_engine = engine;
        return 0;
    }

    int SetProgressCallback(ScanProgressCallback callback, void* userData) override
    {
        m_engine->setProgressCallback(callback, userData);
        return 0;
    }

    bool IsLocalBackup() const override { return true; }

    int OpenBackup(const std::string&) override { return open(*m_engine); }

    int ScanMessages(MessageMap& map) override
    {
        map[1].push_back(MessageRecord{0, 0, 1, 1, "2020", "a", "", "t", ""});
        return database("messages");
    }

    int ScanMessageAttachments(std::vector<AttachmentItem>& items) override
    {
        calls.push_back("attachments");
        return scanMessageAttachments(*m_engine, items);
    }

    int ScanContacts(std::vector<ContactRecord>&) override { return database("contacts"); }

    int ScanNotes(std::vector<NoteRecord>&) override { return database("notes"); }

    int ScanCallHistory(std::vector<CallRecord>&) override { return database("calls"); }

    int ScanCameraRollAndPhotoStream(std::vector<MediaItem>& roll,
                                     std::vector<MediaItem>& stream) override
    {
        calls.push_back("camera");
        return scanCameraRollAndPhotoStream(*m_engine, roll, stream);
    }

    int TakeWhatsAppAttachments(std::vector<MediaItem>& items) override
    {
        calls.push_back("take");
        items = m_whatsApp;
        return advance(m_engine->progressStep());
    }

    int ScanAppMedia(std::vector<AppMediaItem>& items) override
    {
        calls.push_back("apps");
        return scanAppMedia(*m_engine, items, m_whatsApp);
    }

    int ScanWhatsApp(WhatsAppMap&) override { return database("whatsapp"); }

    int ScanSafariBookmarks(std::vector<SafariBookmarkRecord>&) override
    {
        return database("bookmarks");
    }

    int ScanSafariHistory(std::vector<SafariHistoryRecord>&) override
    {
        return database("history");
    }

    int MakePreviewCopy(const std::string&, std::string&, ScanProgressCallback, void*) override
    {
        return 0;
    }

    int CopyOut(const std::string&, const std::string&, ProgressCallback, void*) override
    {
        return 0;
    }

    int ExportMessagesTable(const std::string&) override { return 0; }

    int ExportContactsTable(const std::string&) override { return 0; }

    int WriteWhatsAppChatText(std::int32_t, const std::string&, ProgressCallback, void*) override
    {
        return 0;
    }

private:
    int advance(int amount)
    {
        m_engine->setProgress(m_engine->progress() + amount);
        return m_engine->reportProgress(m_engine->progress());
    }

    int database(const char* name)
    {
        calls.push_back(name);
        const int answer = advance(m_engine->progressStep() / 2);
        return answer != 0 ? answer : databaseStatus;
    }

    catalogue::BackupEngine* m_engine = nullptr;
    std::vector<MediaItem> m_whatsApp;
};

class RecordingObserver : public ScanObserver
{
public:
    std::function<void(int)> onShown;

    void scanMessage(ScanMessage message, std::int64_t parameter) override
    {
        std::lock_guard lock(m_lock);
        messages.emplace_back(message, parameter);
    }

    void progressShown(int percent) override
    {
        {
            std::lock_guard lock(m_lock);
            shown.push_back(percent);
        }
        if (onShown) {
            onShown(percent);
        }
    }

    std::vector<std::pair<ScanMessage, std::int64_t>> messages;
    std::vector<int> shown;

    int countOf(ScanMessage message, std::int64_t parameter) const
    {
        return static_cast<int>(
            std::count(messages.begin(), messages.end(), std::make_pair(message, parameter)));
    }

private:
    std::mutex m_lock;
};

fixtures::BackupFile file(const std::string& domain, const std::string& path, std::string content)
{
    fixtures::BackupFile made;
    made.domain = domain;
    made.relativePath = path;
    made.content = std::move(content);
    return made;
}

fixtures::BackupDescription cameraSpec(int photos)
{
    fixtures::BackupDescription spec;
    for (int i = 0; i < photos; ++i) {
        spec.files.push_back(
            file("CameraRollDomain",
                 "Media/DCIM/100APPLE/IMG_" + std::to_string(1000 + i) + ".JPG",
                 fixtures::mediaBytes(fixtures::MediaKind::JpegJfif, static_cast<unsigned>(i))));
    }
    spec.files.push_back(file("AppDomainGroup-group.net.whatsapp.WhatsApp.shared",
                              "Message/Media/1@s.whatsapp.net/a/b/x.jpg",
                              fixtures::mediaBytes(fixtures::MediaKind::JpegExif, 99)));
    return spec;
}

struct Harness
{
    explicit Harness(const fixtures::BackupDescription& spec)
        : backup(spec)
        , driver(backup.engine(), observer, [this](int kind, catalogue::BackupEngine* engine) {
            std::unique_ptr<IPhoneRecoveryParse> made;
            if (kind == kSourceLocalBackup) {
                auto scripted = std::make_unique<ScriptedSource>();
                source = scripted.get();
                configure(*scripted);
                made = std::move(scripted);
                made->Attach(engine);
            }
            return made;
        })
    {
        driver.setBackup(backup.info());
    }

    int run(CategorySet categories = CategorySet::all())
    {
        driver.setCategories(categories);
        const int started = driver.StartScan(kSourceLocalBackup);
        driver.wait();
        return started;
    }

    extracttest::BackupUnderTest backup;
    RecordingObserver observer;
    std::function<void(ScriptedSource&)> configure = [](ScriptedSource&) {};
    ScriptedSource* source = nullptr;
    ScanDriver driver;
};

TEST(ScanDriverTest, RunsTheTickedCategoriesInTheFixedOrderAndTakesThemOver)
{
    Harness h(cameraSpec(3));
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(h.source->calls,
              (std::vector<std::string>{"camera",
                                        "messages",
                                        "attachments",
                                        "contacts",
                                        "calls",
                                        "notes",
                                        "apps",
                                        "whatsapp",
                                        "take",
                                        "bookmarks",
                                        "history"}));
    EXPECT_TRUE(h.driver.scanDone());
    EXPECT_EQ(h.driver.status(), 0);
    EXPECT_EQ(h.driver.results().cameraRoll.size(), 3u);
    EXPECT_EQ(h.driver.results().conversations.size(), 1u) << "the conversation list is built";
    EXPECT_EQ(h.driver.results().whatsAppAttachments.size(), 1u);
    EXPECT_EQ(h.driver.counts()[static_cast<std::size_t>(RecoveryCategory::CameraRoll)], 3u);
    EXPECT_EQ(h.observer.messages.front(), std::make_pair(ScanMessage::Start, std::int64_t{1}));
    EXPECT_EQ(h.observer.messages.back(), std::make_pair(ScanMessage::Done, std::int64_t{0}));
    EXPECT_EQ(h.observer.countOf(ScanMessage::Done, 0), 1);
    EXPECT_EQ(h.observer.countOf(ScanMessage::State, kStateFirstProgress), 1);
    EXPECT_EQ(h.observer.countOf(ScanMessage::Select,
                                 static_cast<std::int64_t>(RecoveryCategory::CameraRoll)),
              1);
    EXPECT_EQ(h.observer.countOf(ScanMessage::Refresh, 0), 14) << "after the open and 13 steps";
}

TEST(ScanDriverTest, WhatsAppAttachmentsAloneYieldNothing)
{
    for (const bool withAppPhotos : {false, true}) {
        Harness h(cameraSpec(1));
        CategorySet categories;
        categories.set(RecoveryCategory::WhatsAppAttachments);
        categories.set(RecoveryCategory::AppPhotos, withAppPhotos);
        ASSERT_EQ(h.run(categories), 0);
        EXPECT_EQ(h.driver.results().whatsAppAttachments.size(), withAppPhotos ? 1u : 0u);
        EXPECT_TRUE(h.driver.results().cameraRoll.empty()) << "camera roll was not ticked";
    }
}

TEST(ScanDriverTest, StopInTheMiddleOfAManifestWalkEndsWithTwoAndKeepsTheResults)
{
    Harness h(cameraSpec(40));
    h.observer.onShown = [&h](int percent) {
        if (percent >= 16) {
            h.driver.stop();
        }
    };
    ASSERT_EQ(h.run(), 0);
    EXPECT_EQ(h.driver.status(), 2);
    EXPECT_TRUE(h.driver.scanDone());
    const std::size_t found = h.driver.results().cameraRoll.size();
    EXPECT_GT(found, 0u);
    EXPECT_LT(found, 40u);
    EXPECT_EQ(h.source->calls, std::vector<std::string>{"camera"}) << "nothing runs after a stop";
    EXPECT_EQ(h.observer.messages.back(), std::make_pair(ScanMessage::Done, std::int64_t{2}));
}

TEST(ScanDriverTest, ProgressIsShownRisingCappedAndFirstProgressSwitches)
{
    Harness h(cameraSpec(0));
    h.configure = [](ScriptedSource& source) {
        source.open = [](catalogue::BackupEngine& engine) {
            for (const int value : {0, 1, 1, 5, 3, 150, 120}) {
                engine.reportProgress(value);
            }
            return 0;
        };
    };
    CategorySet none;
    ASSERT_EQ(h.run(none), 0);
    EXPECT_EQ(h.observer.shown, (std::vector<int>{2, 5, 99}));
    EXPECT_EQ(h.observer.countOf(ScanMessage::State, kStateFirstProgress), 1);
    EXPECT_EQ(h.driver.shownPercent(), 99);
}

TEST(ScanDriverTest, OpenOutcomes)
{
    struct Row
    {
        int openStatus;
        int finalStatus;
        int state;
        bool categoriesRun;
    };

    const Row rows[] = {
        {-110, -110, kStateWrongPassword, false},
        {-1, 2, kStateOpenFailed, false},
        {2, 2, -1, false},
        {87, 87, -1, true},
    };
    for (const Row& row : rows) {
        Harness h(cameraSpec(1));
        h.configure = [&row](ScriptedSource& source) {
            source.open = [&row](catalogue::BackupEngine&) { return row.openStatus; };
            source.databaseStatus = row.openStatus == 87 ? 87 : 0;
        };
        CategorySet notes;
        notes.set(RecoveryCategory::Notes);
        ASSERT_EQ(h.run(notes), 0);
        EXPECT_EQ(h.driver.status(), row.finalStatus) << row.openStatus;
        EXPECT_TRUE(h.driver.scanDone());
        EXPECT_EQ(h.observer.countOf(ScanMessage::Done, row.finalStatus), 1)
            << "the end is reported whatever the status";
        if (row.state >= 0) {
            EXPECT_EQ(h.observer.countOf(ScanMessage::State, row.state), 1);
        }
        EXPECT_EQ(!h.source->calls.empty(), row.categoriesRun) << row.openStatus;
    }
}

TEST(ScanDriverTest, HoldingThePauseLockBlocksTheScanThread)
{
    Harness h(cameraSpec(2));
    std::promise<void> entered;
    std::promise<void> go;
    std::shared_future<void> goSignal = go.get_future().share();
    std::atomic<bool> reported{false};
    h.configure = [&](ScriptedSource& source) {
        source.open = [&](catalogue::BackupEngine& engine) {
            entered.set_value();
            goSignal.wait();
            engine.reportProgress(5);
            reported = true;
            return 0;
        };
    };
    ASSERT_EQ(h.driver.StartScan(kSourceLocalBackup), 0);
    entered.get_future().wait();
    {
        auto paused = h.driver.pause();
        go.set_value();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_FALSE(reported.load()) << "the report waits for the lock";
        EXPECT_FALSE(h.driver.scanDone());
    }
    h.driver.wait();
    EXPECT_TRUE(reported.load());
    EXPECT_TRUE(h.driver.scanDone());
}

TEST(ScanDriverTest, UnknownKindStartsNothing)
{
    Harness h(cameraSpec(0));
    EXPECT_EQ(h.driver.StartScan(kSourceDevice), 1);
    EXPECT_EQ(h.driver.source(), nullptr);
    EXPECT_TRUE(h.observer.messages.empty());
}

} // namespace
