// The scan of a local backup: opens it through the BackupEngine on a worker thread and walks
// its manifest for the media categories, with the progress rules of the scan page (first
// report switches the page, values only rise, capped at 99) and pause and stop through its
// lock. The database categories (messages, contacts, calls, notes, WhatsApp) are counted by
// the extraction module's driver, which replaces this one when it is linked in.
#pragma once

#include "app/IScanDriver.h"
#include "catalogue/BackupEngine.h"

#include <atomic>
#include <thread>

namespace app {

class LocalScanDriver : public IScanDriver
{
public:
    // A driver over `engine` that reports to `observer`; both outlive the driver.
    LocalScanDriver(catalogue::BackupEngine& engine, IScanObserver& observer);
    // Joins the scan thread; a running scan is asked to stop first.
    ~LocalScanDriver() override;
    LocalScanDriver(const LocalScanDriver&) = delete;
    LocalScanDriver& operator=(const LocalScanDriver&) = delete;

    [[nodiscard]] int startScan(const catalogue::BackupInfo& backup,
                                const std::string& password,
                                const CategorySelection& categories) override;

    std::mutex& scanLock() override { return m_lock; }

    void setStopFlag() override { m_stop = true; }

    bool isFinished() const override { return m_finished; }

    int shownPercent() const override { return m_shown; }

    CategoryCounts counts() const override { return m_counts; }

    int status() const override { return m_status; }

    // The page callback: answers 2 once the stop flag is set; otherwise shows `percent` when
    // it exceeds the shown value (the first report, 1, posts the first-progress message).
    int reportProgress(int percent);

private:
    static int progressThunk(void* userData, int percent);
    void run();
    int scanMedia(int firstCategory, int lastCategory, int shares);
    int advance(int shares2);

    catalogue::BackupEngine& m_engine;
    IScanObserver& m_observer;
    std::thread m_thread;
    std::mutex m_lock;
    std::atomic<bool> m_stop = false;
    std::atomic<bool> m_finished = true;
    int m_shown = 0;
    CategoryCounts m_counts{};
    CategorySelection m_categories{};
    std::string m_password;
    std::atomic<int> m_status = 0;
};

} // namespace app
