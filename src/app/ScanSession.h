// The application's scan: the extraction module's scan driver over the window's backup engine,
// with an observer that turns the driver's messages (which arrive on the scan thread) into the
// custom events posted to the main window.
#pragma once

#include "catalogue/BackupEngine.h"
#include "extract/ScanDriver.h"

#include <mutex>
#include <string>
#include <vector>

class QObject;

namespace app {

// A category whose database the scan found damaged or could not read: the status its step
// ended with (0 when it went on past the damage), how many damaged places were skipped, and
// the first of them.
struct CategoryDamage
{
    extract::RecoveryCategory category = extract::RecoveryCategory::CameraRoll;
    int status = 0;
    std::size_t places = 0;
    platform::Diagnostic firstPlace;
};

class ScanSession : public extract::ScanObserver
{
public:
    // A session over `engine` that posts the scan messages to `receiver`; both outlive it (the
    // destructor stops and joins the scan before either goes).
    ScanSession(catalogue::BackupEngine& engine, QObject* receiver);
    ~ScanSession() override;
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    // Starts a scan of the local backup `backup` for `categories` with `password` (empty for
    // a plain backup); a scan still running is stopped and joined first. Returns 0, or 1 when
    // the driver could not make a source. Must not be called while the pause lock is held.
    [[nodiscard]] int startScan(const catalogue::BackupInfo& backup,
                                const std::string& password,
                                extract::CategorySet categories);

    // The lock whose holder pauses the scan at its next progress report.
    [[nodiscard]] std::unique_lock<std::mutex> pause() { return m_driver.pause(); }

    // Asks the scan to stop; never call it while holding the pause lock.
    void stop() { m_driver.stop(); }

    // Waits for the scan thread to end.
    void wait() { m_driver.wait(); }

    // The shown percent and the item counts; both take the pause lock, so the holder of the
    // pause must not call them.
    int shownPercent() const { return m_driver.shownPercent(); }

    extract::CategoryCounts counts() const { return m_driver.counts(); }

    // The final status of the last scan: 0, 2 stopped, -110 wrong password, or a failure.
    int status() const { return m_driver.status(); }

    bool scanDone() const { return m_driver.scanDone(); }

    // What the last scan found; valid after its Done message.
    const extract::ScanResults& results() const { return m_driver.results(); }

    // The source of the last scan, for previews and the recovery run; null before a scan.
    extract::IPhoneRecoveryParse* source() const { return m_driver.source(); }

    // The backup of the last scan.
    const catalogue::BackupInfo& backup() const { return m_backup; }

    // The categories of the last scan that hold less than the backup does, in the order the
    // scan met them.
    std::vector<CategoryDamage> damage() const;

    // ScanObserver: posts the message (all but Start, which the page itself sends) to the
    // receiver as an application event; a new shown percent posts a refresh.
    void scanMessage(extract::ScanMessage message, std::int64_t parameter) override;
    void progressShown(int percent) override;
    void categoryUnreadable(extract::RecoveryCategory category, int status) override;
    void categoryDamaged(extract::RecoveryCategory category,
                         const platform::Diagnostic& place) override;

private:
    // The entry of `category`, added when missing; the caller holds m_damageLock.
    CategoryDamage& damageOf(extract::RecoveryCategory category);

    QObject* m_receiver;
    catalogue::BackupInfo m_backup;
    // Written on the scan thread, read on the window's.
    mutable std::mutex m_damageLock;
    std::vector<CategoryDamage> m_damage;
    extract::ScanDriver m_driver;
};

} // namespace app
