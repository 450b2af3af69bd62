// The local backup scan thread and its progress accounting.
#include "app/LocalScanDriver.h"

#include "app/AppEvents.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <chrono>

namespace app {

namespace {

constexpr int kMaxShownPercent = 99;
constexpr auto kFirstProgressPause = std::chrono::milliseconds(100);

bool hasExtension(const std::string& path, std::initializer_list<const char*> extensions)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    const std::string ext = platform::asciiLower(std::string_view(path).substr(dot + 1));
    for (const char* candidate : extensions) {
        if (ext == candidate) {
            return true;
        }
    }
    return false;
}

bool isImage(const std::string& path)
{
    return hasExtension(path, {"jpg", "jpeg", "png", "gif", "heic", "bmp", "tif", "tiff"});
}

bool isVideo(const std::string& path)
{
    return hasExtension(path, {"mov", "mp4", "m4v", "3gp", "avi"});
}

// The media category of a manifest entry, or kCategoryCount when it is none of them.
int mediaCategoryOf(const std::string& domainPath)
{
    if (domainPath.starts_with("CameraRollDomain-Media/DCIM/")) {
        return isImage(domainPath) || isVideo(domainPath) ? kCameraRoll : kCategoryCount;
    }
    if (domainPath.starts_with("MediaDomain-Media/PhotoStreamsData/")) {
        return isImage(domainPath) || isVideo(domainPath) ? kPhotoStream : kCategoryCount;
    }
    if (domainPath.starts_with("MediaDomain-Library/SMS/Attachments/")) {
        return kMessageAtts;
    }
    if (domainPath.starts_with("AppDomain-net.whatsapp.WhatsApp-Library/Media/") ||
        domainPath.starts_with("AppDomainGroup-group.net.whatsapp.WhatsApp.shared-Message/")) {
        return isImage(domainPath) || isVideo(domainPath) ? kWhatsAppAtts : kCategoryCount;
    }
    if (domainPath.starts_with("AppDomain")) {
        return isImage(domainPath) ? kAppPhotos : isVideo(domainPath) ? kAppVideos : kCategoryCount;
    }
    return kCategoryCount;
}

} // namespace

LocalScanDriver::LocalScanDriver(catalogue::BackupEngine& engine, IScanObserver& observer)
    : m_engine(engine)
    , m_observer(observer)
{}

LocalScanDriver::~LocalScanDriver()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_thread.join();
    }
    m_engine.setProgressCallback(nullptr, nullptr);
}

int LocalScanDriver::startScan(const catalogue::BackupInfo& backup,
                               const std::string& password,
                               const CategorySelection& categories)
{
    if (!m_finished) {
        return 1;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    {
        const std::lock_guard lock(m_lock);
        m_shown = 0;
        m_counts = {};
    }
    m_stop = false;
    m_finished = false;
    m_status = 0;
    m_categories = categories;
    m_password = password;
    (void)m_engine.selectBackup(backup);
    m_engine.setProgressCallback(&LocalScanDriver::progressThunk, this);
    m_thread = std::thread([this] { run(); });
    return 0;
}

int LocalScanDriver::progressThunk(void* userData, int percent)
{
    return static_cast<LocalScanDriver*>(userData)->reportProgress(percent);
}

int LocalScanDriver::reportProgress(int percent)
{
    const std::lock_guard lock(m_lock);
    if (m_stop) {
        return platform::kStatusStopped;
    }
    if (percent > m_shown) {
        if (percent == 1) {
            m_observer.postScanMessage(WM_SCAN_STATE, kScanStateFirstProgress);
            std::this_thread::sleep_for(kFirstProgressPause);
        }
        m_shown = std::min(std::max(percent, 2), kMaxShownPercent);
    }
    return 0;
}

void LocalScanDriver::run()
{
    int status = m_engine.openBackup(m_password);
    if (status == platform::kStatusWrongPassword) {
        m_observer.postScanMessage(WM_SCAN_STATE, kScanStateWrongPassword);
    } else if (status != platform::kStatusStopped) {
        m_observer.postScanMessage(WM_SCAN_REFRESH, 0);
        const auto ticked = [this](int category) { return m_categories[category]; };

        struct Step
        {
            bool run;
            int first;
            int last;
            int shares2; // base advance in half shares
            bool walks;
        };

        const Step steps[] = {
            {ticked(kCameraRoll) || ticked(kPhotoStream), kCameraRoll, kPhotoStream, 4, true},
            {ticked(kMessages), kMessages, kMessages, 1, false},
            {ticked(kMessageAtts), kMessageAtts, kMessageAtts, 2, true},
            {ticked(kContacts), kContacts, kContacts, 1, false},
            {ticked(kCallHistory), kCallHistory, kCallHistory, 1, false},
            {ticked(kNotes), kNotes, kNotes, 1, false},
            {ticked(kAppPhotos) || ticked(kAppVideos), kAppPhotos, kAppVideos, 2, true},
            {ticked(kWhatsApp), kWhatsApp, kWhatsApp, 2, false},
            {ticked(kWhatsAppAtts), kWhatsAppAtts, kWhatsAppAtts, 2, true},
        };
        status = 0;
        for (const Step& step : steps) {
            if (!step.run) {
                continue;
            }
            status =
                step.walks ? scanMedia(step.first, step.last, step.shares2) : advance(step.shares2);
            if (status == platform::kStatusStopped) {
                break;
            }
            m_observer.postScanMessage(WM_SCAN_REFRESH, 0);
        }
    }
    m_status = status;
    m_finished = true;
    if (status != platform::kStatusWrongPassword) {
        // Every other ending, a failed last category included, ends the scan on the page.
        m_observer.postScanMessage(WM_SCAN_DONE, 0);
    }
}

int LocalScanDriver::scanMedia(int firstCategory, int lastCategory, int shares2)
{
    const auto& manifest = m_engine.manifest();
    const int base = m_engine.progress();
    const int share = m_engine.progressStep();
    const std::size_t total = manifest.size();
    for (std::size_t i = 0; i < total; ++i) {
        const int category = mediaCategoryOf(manifest[i].domainPath);
        if (category >= firstCategory && category <= lastCategory && m_categories[category]) {
            const std::lock_guard lock(m_lock);
            ++m_counts[category];
        }
        const auto done = static_cast<long long>(i + 1);
        const int value = base + static_cast<int>(static_cast<long long>(shares2) * share * done /
                                                  (2 * static_cast<long long>(total)));
        const int answer = m_engine.reportProgress(value);
        if (answer != 0) {
            return answer;
        }
    }
    return advance(shares2);
}

int LocalScanDriver::advance(int shares2)
{
    m_engine.setProgress(m_engine.progress() + shares2 * m_engine.progressStep() / 2);
    return m_engine.reportProgress(m_engine.progress());
}

} // namespace app
