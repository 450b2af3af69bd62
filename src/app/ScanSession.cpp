// The application's scan session.
#include "app/ScanSession.h"

#include "app/AppEvents.h"

#include <limits>

namespace app {

extract::CategorySet toCategorySet(const CategorySelection& selection)
{
    extract::CategorySet set;
    for (std::size_t i = 0; i < selection.size(); ++i) {
        set.set(static_cast<extract::RecoveryCategory>(i), selection[i]);
    }
    return set;
}

ScanSession::ScanSession(catalogue::BackupEngine& engine, QObject* receiver)
    : m_receiver(receiver)
    , m_driver(engine, *this)
{}

ScanSession::~ScanSession()
{
    m_driver.stop();
    m_driver.wait();
}

int ScanSession::startScan(const catalogue::BackupInfo& backup,
                           const std::string& password,
                           const CategorySelection& categories)
{
    m_backup = backup;
    m_driver.setBackup(backup);
    m_driver.setPassword(password);
    m_driver.setCategories(toCategorySet(categories));
    return m_driver.StartScan(extract::kSourceLocalBackup);
}

CategoryCounts ScanSession::counts() const
{
    const extract::CategoryCounts found = m_driver.counts();
    CategoryCounts counts{};
    for (std::size_t i = 0; i < counts.size() && i < found.size(); ++i) {
        constexpr std::size_t kMost = std::numeric_limits<int>::max();
        counts[i] = static_cast<int>(found[i] < kMost ? found[i] : kMost);
    }
    return counts;
}

void ScanSession::scanMessage(extract::ScanMessage message, std::int64_t parameter)
{
    // The page starts scans itself; the start message needs no event.
    if (message == extract::ScanMessage::Start) {
        return;
    }
    constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
    constexpr std::int64_t kIntMin = std::numeric_limits<int>::min();
    const int param = static_cast<int>(parameter > kIntMax   ? kIntMax
                                       : parameter < kIntMin ? kIntMin
                                                             : parameter);
    postAppMessage(m_receiver, static_cast<int>(message), param);
}

void ScanSession::progressShown(int percent)
{
    (void)percent;
    postAppMessage(m_receiver, WM_SCAN_REFRESH, 0);
}

} // namespace app
