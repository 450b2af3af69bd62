// The scan driver: makes the recovery source over the chosen backup, runs the ticked
// categories one after another on its own scan thread in a fixed order, turns the engine's
// progress into the shown percent, and tells its observer what happened through the five scan
// messages. Other threads stop the scan with stop() and pause it by holding the lock that
// pause() returns; the scan thread is always joined, at the latest by the destructor.
#pragma once

#include "catalogue/BackupEngine.h"
#include "extract/IPhoneRecoveryParse.h"
#include "extract/Records.h"
#include "extract/RecoveryCategory.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace extract {

// The messages of a scan, numbered as the application's window messages.
enum class ScanMessage
{
    // A scan was started; parameter: the source kind.
    Start = 1031,
    // New results can be read: after a successful open and after each category was taken over.
    Refresh = 1032,
    // A category has items; parameter: the RecoveryCategory of the node to select.
    Select = 1033,
    // The scan ended; parameter: its final status. Sent once at the end of every scan.
    Done = 1034,
    // A change of state; parameter: one of the kState values below.
    State = 1035
};

// Parameters of ScanMessage::State.
inline constexpr int kStateFirstProgress = 0;
inline constexpr int kStateWrongPassword = 1;
// The backup could not be opened (-1); the scan ends as stopped.
inline constexpr int kStateOpenFailed = 2;

// Highest percent ever shown: 100 is only reached by ending.
inline constexpr int kMaxShownPercent = 99;

// Receives the scan's messages. Calls come from the scan thread (Start from the thread that
// calls StartScan), never while the driver's lock is held, so an observer may call counts(),
// shownPercent() or stop() from inside them.
class ScanObserver
{
public:
    virtual ~ScanObserver() = default;

    // One of the scan messages with its parameter.
    virtual void scanMessage(ScanMessage message, std::int64_t parameter) = 0;

    // The shown percent rose to `percent` (2 to 99).
    virtual void progressShown(int percent) { (void)percent; }

    // The step of `category` (and of the category read with it) ended with `status`, which
    // says its database is damaged or cannot be read: the category keeps what could be read,
    // usually nothing, and the scan goes on. A missing database is not reported.
    virtual void categoryUnreadable(RecoveryCategory category, int status)
    {
        (void)category;
        (void)status;
    }

    // The step of `category` found its database damaged at `place` (page, offset and what is
    // wrong) and skipped what lay there; called once for each place, before
    // categoryUnreadable when the step also ended with a failure status.
    virtual void categoryDamaged(RecoveryCategory category, const platform::Diagnostic& place)
    {
        (void)category;
        (void)place;
    }
};

// Item counts per category, indexed by RecoveryCategory.
using CategoryCounts = std::array<std::size_t, kCategoryCount>;

// Counts the items of each category in `results` as the results tree shows them: app photos
// and videos count their grouped files, messages count conversations and WhatsApp chats.
CategoryCounts countResults(const ScanResults& results);

class ScanDriver
{
public:
    // Makes the source of a kind over an engine; tests replace it.
    using SourceFactory =
        std::function<std::unique_ptr<IPhoneRecoveryParse>(int kind, catalogue::BackupEngine*)>;

    // Drives scans over `engine` and reports to `observer`, both of which must outlive the
    // driver; `factory` makes the source of each scan.
    ScanDriver(catalogue::BackupEngine& engine,
               ScanObserver& observer,
               SourceFactory factory = makeRecoverySource);
    // Stops a running scan and joins its thread.
    ~ScanDriver();
    ScanDriver(const ScanDriver&) = delete;
    ScanDriver& operator=(const ScanDriver&) = delete;

    // The backup, categories and password of the next scan.
    void setBackup(const catalogue::BackupInfo& backup) { m_backup = backup; }

    void setCategories(CategorySet categories) { m_categories = categories; }

    void setPassword(std::string password) { m_password = std::move(password); }

    // Starts a scan of `kind`: ends and joins a scan still running, clears the results, makes
    // the source, registers the progress callback and starts the scan thread. Returns 0, or
    // 1 when no source can be made for `kind` (nothing is started). Must not be called while
    // the caller holds the pause lock.
    int StartScan(int kind);

    // Asks the running scan to stop: its next progress report answers 2.
    void stop();
    // Takes the driver's lock: the scan thread blocks in its next progress report until the
    // returned lock is released.
    [[nodiscard]] std::unique_lock<std::mutex> pause();
    // Waits for the scan thread to end. Returns at once when none runs.
    void wait();

    // True once the scan has ended (whatever its status), until the next StartScan.
    bool scanDone() const { return m_scanDone.load(); }

    bool stopRequested() const { return m_scanStop.load(); }

    // The final status of the last scan that ended: the status of the last category run, 2
    // when stopped, or the open's status when no category ran.
    int status() const { return m_status.load(); }

    int shownPercent() const;
    // The item counts as of the last progress report.
    CategoryCounts counts() const;

    // The results of the scan. Read them after ScanMessage::Refresh or Done; the scan thread
    // writes them until then.
    const ScanResults& results() const { return m_results; }

    // The source of the last scan (the recovery run copies and exports through it), or null.
    IPhoneRecoveryParse* source() const { return m_source.get(); }

private:
    static int progressCallback(void* userData, int percent);
    int onProgress(int percent);
    void ScanThread();
    // Runs the category steps; returns the final status.
    int runCategories();
    void takeOver(RecoveryCategory category);

    catalogue::BackupEngine& m_engine;
    ScanObserver& m_observer;
    SourceFactory m_factory;
    catalogue::BackupInfo m_backup;
    CategorySet m_categories = CategorySet::all();
    std::string m_password;
    std::unique_ptr<IPhoneRecoveryParse> m_source;
    ScanResults m_results;

    mutable std::mutex m_lock;
    int m_shownPercent = 0;
    CategoryCounts m_counts{};

    std::atomic<bool> m_scanDone{false};
    std::atomic<bool> m_scanStop{false};
    std::atomic<int> m_status{0};
    std::thread m_thread;
};

} // namespace extract
