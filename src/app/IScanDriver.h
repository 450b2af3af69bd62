// What the scan page needs of a scan: start it on a worker thread, pause it by holding its
// lock, stop it through its stop flag, and read its progress and counts. The driver posts its
// messages (first progress, refresh, done, wrong password) through an IScanObserver.
#pragma once

#include "app/ScanTypes.h"
#include "catalogue/BackupInfo.h"

#include <mutex>
#include <string>

namespace app {

// Receives the scan's messages (the numbers of AppEvents.h) from the scan thread.
class IScanObserver
{
public:
    virtual ~IScanObserver() = default;
    // Called from the scan thread; must only post, never wait for the window thread.
    virtual void postScanMessage(int message, int param) = 0;
};

class IScanDriver
{
public:
    virtual ~IScanDriver() = default;

    // Starts a scan of `backup` for `categories` with `password` (empty for a plain backup)
    // on a new thread, after the previous scan's thread has ended. Returns 0; 1 when a scan
    // is still running.
    [[nodiscard]] virtual int startScan(const catalogue::BackupInfo& backup,
                                        const std::string& password,
                                        const CategorySelection& categories) = 0;

    // The lock every progress report takes. Holding it pauses the scan at its next report.
    virtual std::mutex& scanLock() = 0;

    // Asks the scan to stop at its next report. The caller holds scanLock().
    virtual void setStopFlag() = 0;

    // True once the scan thread has ended (or when none was started).
    virtual bool isFinished() const = 0;

    // The percent shown so far (0–99) and the items found per category. The caller holds
    // scanLock().
    virtual int shownPercent() const = 0;
    virtual CategoryCounts counts() const = 0;

    // The scan's final status: 0 done, 2 stopped, -110 wrong password, another code when the
    // last category failed. Valid once isFinished().
    virtual int status() const = 0;
};

} // namespace app
