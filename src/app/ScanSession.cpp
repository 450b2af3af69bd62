// The application's scan session.
#include "app/ScanSession.h"

#include "app/AppEvents.h"

#include <limits>

namespace app {

// The driver's messages and state parameters are posted unchanged as the window messages and
// parameters the main window handles.
static_assert(static_cast<int>(extract::ScanMessage::Start) == WM_SCAN_START);
static_assert(static_cast<int>(extract::ScanMessage::Refresh) == WM_SCAN_REFRESH);
static_assert(static_cast<int>(extract::ScanMessage::Select) == WM_SCAN_SELECT);
static_assert(static_cast<int>(extract::ScanMessage::Done) == WM_SCAN_DONE);
static_assert(static_cast<int>(extract::ScanMessage::State) == WM_SCAN_STATE);
static_assert(extract::kStateFirstProgress == kScanStateFirstProgress);
static_assert(extract::kStateWrongPassword == kScanStateWrongPassword);

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
                           extract::CategorySet categories)
{
    m_backup = backup;
    // The scan still running would report into the new scan's list.
    m_driver.stop();
    m_driver.wait();
    {
        const std::lock_guard<std::mutex> lock(m_damageLock);
        m_damage.clear();
    }
    m_driver.setBackup(backup);
    m_driver.setPassword(password);
    m_driver.setCategories(categories);
    return m_driver.StartScan(extract::kSourceLocalBackup);
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

std::vector<CategoryDamage> ScanSession::damage() const
{
    const std::lock_guard<std::mutex> lock(m_damageLock);
    return m_damage;
}

void ScanSession::categoryUnreadable(extract::RecoveryCategory category, int status)
{
    const std::lock_guard<std::mutex> lock(m_damageLock);
    damageOf(category).status = status;
}

void ScanSession::categoryDamaged(extract::RecoveryCategory category,
                                  const platform::Diagnostic& place)
{
    const std::lock_guard<std::mutex> lock(m_damageLock);
    CategoryDamage& entry = damageOf(category);
    if (entry.places++ == 0) {
        entry.firstPlace = place;
    }
}

CategoryDamage& ScanSession::damageOf(extract::RecoveryCategory category)
{
    for (CategoryDamage& entry : m_damage) {
        if (entry.category == category) {
            return entry;
        }
    }
    return m_damage.emplace_back(CategoryDamage{category, 0, 0, {}});
}

} // namespace app
