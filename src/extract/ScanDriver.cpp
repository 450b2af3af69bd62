// The scan thread, its fixed order of categories and the progress rules.
#include "extract/ScanDriver.h"

#include "extract/MediaScan.h"
#include "extract/MessagesBuilder.h"
#include "platform/Status.h"

#include <cerrno>
#include <sqlite3.h>

namespace extract {

namespace {

// True for a status that says data could not be read: damage found by our readers, a short
// read, or an error of the system or of the SQLite library other than a missing file. The
// codes the category operations use for a database that is not there (87, 1006) and raw
// codes whose meaning is unknown are not among them.
bool meansUnreadable(int status)
{
    switch (status) {
    case platform::kStatusCorrupt:
    case platform::kStatusCycle:
    case platform::kStatusTooDeep:
    case platform::kStatusTruncated:
    case platform::kStatusUnsupported:
    case platform::kStatusShortRead:
        return true;
    default:
        break;
    }
    const int error = platform::errnoOf(status);
    const int code = platform::sqliteCodeOf(status);
    return (error != 0 && error != ENOENT) || (code != 0 && (code & 0xff) != SQLITE_CANTOPEN);
}

std::size_t groupedCount(const AppMediaGroups& groups)
{
    std::size_t count = 0;
    for (const auto& [app, items] : groups) {
        count += items.size();
    }
    return count;
}

} // namespace

CategoryCounts countResults(const ScanResults& results)
{
    using C = RecoveryCategory;
    CategoryCounts counts{};
    const auto at = [&counts](C category) -> std::size_t& {
        return counts[static_cast<std::size_t>(category)];
    };
    at(C::CameraRoll) = results.cameraRoll.size();
    at(C::PhotoStream) = results.photoStream.size();
    at(C::AppPhotos) = groupedCount(results.appPhotos);
    at(C::AppVideos) = groupedCount(results.appVideos);
    at(C::Messages) = results.messages.size();
    at(C::MessageAttachments) = results.messageAttachments.size();
    at(C::Contacts) = results.contacts.size();
    at(C::CallHistory) = results.calls.size();
    at(C::Notes) = results.notes.size();
    at(C::WhatsApp) = results.whatsApp.size();
    at(C::WhatsAppAttachments) = results.whatsAppAttachments.size();
    at(C::Reminder) = results.reminders.size();
    at(C::Calendar) = results.calendar.size();
    at(C::SafariBookmark) = results.safariBookmarks.size();
    at(C::SafariHistory) = results.safariHistory.size();
    return counts;
}

ScanDriver::ScanDriver(catalogue::BackupEngine& engine,
                       ScanObserver& observer,
                       SourceFactory factory)
    : m_engine(engine)
    , m_observer(observer)
    , m_factory(std::move(factory))
{}

ScanDriver::~ScanDriver()
{
    stop();
    wait();
}

int ScanDriver::StartScan(int kind)
{
    if (m_thread.joinable()) {
        stop();
        wait();
    }
    m_results.clear();
    {
        std::lock_guard lock(m_lock);
        m_shownPercent = 0;
        m_counts = {};
    }
    m_source.reset();
    if (kind == kSourceLocalBackup) {
        (void)m_engine.selectBackup(m_backup);
    }
    m_source = m_factory(kind, &m_engine);
    if (!m_source) {
        return 1;
    }
    (void)m_source->SetProgressCallback(&ScanDriver::progressCallback, this);
    m_scanDone = false;
    m_scanStop = false;
    m_observer.scanMessage(ScanMessage::Start, kind);
    m_thread = std::thread([this] { ScanThread(); });
    return 0;
}

void ScanDriver::stop()
{
    std::lock_guard lock(m_lock);
    m_scanStop = true;
}

std::unique_lock<std::mutex> ScanDriver::pause()
{
    return std::unique_lock(m_lock);
}

void ScanDriver::wait()
{
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int ScanDriver::shownPercent() const
{
    std::lock_guard lock(m_lock);
    return m_shownPercent;
}

CategoryCounts ScanDriver::counts() const
{
    std::lock_guard lock(m_lock);
    return m_counts;
}

int ScanDriver::progressCallback(void* userData, int percent)
{
    return static_cast<ScanDriver*>(userData)->onProgress(percent);
}

int ScanDriver::onProgress(int percent)
{
    bool firstProgress = false;
    int shown = 0;
    {
        std::lock_guard lock(m_lock);
        if (m_scanStop) {
            return platform::kStatusStopped;
        }
        const int capped = std::min(std::max(percent, 2), kMaxShownPercent);
        if (percent <= m_shownPercent || capped == m_shownPercent) {
            return 0;
        }
        firstProgress = percent == 1;
        m_shownPercent = capped;
        m_counts = countResults(m_results);
        shown = m_shownPercent;
    }
    if (firstProgress) {
        m_observer.scanMessage(ScanMessage::State, kStateFirstProgress);
    }
    m_observer.progressShown(shown);
    return 0;
}

void ScanDriver::ScanThread()
{
    int status = m_source->OpenBackup(m_password);
    if (status == platform::kStatusFailed) {
        stop();
        m_observer.scanMessage(ScanMessage::State, kStateOpenFailed);
        status = platform::kStatusStopped;
    } else if (status == platform::kStatusWrongPassword) {
        m_observer.scanMessage(ScanMessage::State, kStateWrongPassword);
    } else if (status != platform::kStatusStopped) {
        m_observer.scanMessage(ScanMessage::Refresh, 0);
        status = runCategories();
    }
    m_status = status;
    {
        std::lock_guard lock(m_lock);
        m_counts = countResults(m_results);
    }
    m_scanDone = true;
    m_observer.scanMessage(ScanMessage::Done, status);
}

int ScanDriver::runCategories()
{
    using C = RecoveryCategory;

    struct Step
    {
        C first;
        std::optional<C> second;
        std::function<int()> run;
    };

    ScanResults& r = m_results;
    IPhoneRecoveryParse& source = *m_source;
    const Step steps[] = {
        {C::CameraRoll,
         C::PhotoStream,
         [&] { return source.ScanCameraRollAndPhotoStream(r.cameraRoll, r.photoStream); }},
        {C::Messages, std::nullopt, [&] { return source.ScanMessages(r.messages); }},
        {C::MessageAttachments,
         std::nullopt,
         [&] { return source.ScanMessageAttachments(r.messageAttachments); }},
        {C::Contacts, std::nullopt, [&] { return source.ScanContacts(r.contacts); }},
        {C::CallHistory, std::nullopt, [&] { return source.ScanCallHistory(r.calls); }},
        {C::Notes, std::nullopt, [&] { return source.ScanNotes(r.notes); }},
        {C::AppPhotos, C::AppVideos, [&] { return source.ScanAppMedia(r.appMedia); }},
        {C::WhatsApp, std::nullopt, [&] { return source.ScanWhatsApp(r.whatsApp); }},
        {C::WhatsAppAttachments,
         std::nullopt,
         [&] { return source.TakeWhatsAppAttachments(r.whatsAppAttachments); }},
        {C::Reminder, std::nullopt, [&] { return source.ScanReminders(r.reminders); }},
        {C::Calendar, std::nullopt, [&] { return source.ScanCalendar(r.calendar); }},
        {C::SafariBookmark,
         std::nullopt,
         [&] { return source.ScanSafariBookmarks(r.safariBookmarks); }},
        {C::SafariHistory, std::nullopt, [&] { return source.ScanSafariHistory(r.safariHistory); }},
    };
    int status = platform::kStatusOk;
    for (const Step& step : steps) {
        if (!m_categories.has(step.first) && !(step.second && m_categories.has(*step.second))) {
            continue;
        }
        status = step.run();
        if (status == platform::kStatusStopped) {
            break;
        }
        for (const platform::Diagnostic& place : source.takeDamage()) {
            m_observer.categoryDamaged(step.first, place);
        }
        if (meansUnreadable(status)) {
            m_observer.categoryUnreadable(step.first, status);
        }
        takeOver(step.first);
    }
    return status;
}

void ScanDriver::takeOver(RecoveryCategory category)
{
    using C = RecoveryCategory;
    std::vector<C> options{category};
    if (category == C::CameraRoll) {
        options.push_back(C::PhotoStream);
    } else if (category == C::Messages) {
        m_results.conversations = buildConversationList(m_results.messages);
    } else if (category == C::AppPhotos) {
        options.push_back(C::AppVideos);
        AppMediaGroups photos;
        AppMediaGroups videos;
        splitAppMedia(m_results.appMedia, photos, videos);
        m_results.appPhotos = m_categories.has(C::AppPhotos) ? std::move(photos) : AppMediaGroups{};
        m_results.appVideos = m_categories.has(C::AppVideos) ? std::move(videos) : AppMediaGroups{};
    }
    const CategoryCounts counts = countResults(m_results);
    std::optional<C> selected;
    for (const C option : options) {
        if (m_categories.has(option) && counts[static_cast<std::size_t>(option)] != 0) {
            selected = option;
            break;
        }
    }
    {
        std::lock_guard lock(m_lock);
        m_counts = counts;
    }
    m_observer.scanMessage(ScanMessage::Refresh, 0);
    if (selected) {
        m_observer.scanMessage(ScanMessage::Select, static_cast<std::int64_t>(*selected));
    }
}

} // namespace extract
