// Running a scan for the commands that need its results.
#include "ScanRun.h"

#include "Commands.h"
#include "catalogue/BackupDiscovery.h"
#include "extract/PhotoLibrary.h"
#include "platform/Status.h"

#include <algorithm>
#include <array>
#include <iostream>
#include <sstream>
#include <termios.h>
#include <unistd.h>

namespace cli {

class ScanRun::Printer : public extract::ScanObserver
{
public:
    Printer(std::ostream& err, bool quiet)
        : m_err(err)
        , m_quiet(quiet)
        , m_terminal(::isatty(STDERR_FILENO) != 0)
    {}

    void scanMessage(extract::ScanMessage message, std::int64_t) override
    {
        if (message == extract::ScanMessage::Done && !m_quiet && m_terminal && m_printed) {
            m_err << "\rScanning: 100%\n" << std::flush;
        }
    }

    // Said even when quiet: the category holds less than the backup does.
    void categoryUnreadable(extract::RecoveryCategory category, int status) override
    {
        m_lastUnreadable = status;
        m_err << (m_terminal && m_printed ? "\n" : "")
              << "brenvale-cli: " << extract::categoryInfo(category).optionText
              << ": its database is damaged or cannot be read (" << platform::statusName(status)
              << ", status " << status << "); the category holds only what could be read\n";
    }

    // Said even when quiet, the first few places of each category: a damaged file can hold
    // thousands, and the count of the rest says how many more there were.
    void categoryDamaged(extract::RecoveryCategory category,
                         const platform::Diagnostic& place) override
    {
        const std::size_t seen = ++m_damageSeen[static_cast<std::size_t>(category)];
        const std::string_view name = extract::categoryInfo(category).optionText;
        if (seen <= kDamageLinesShown) {
            m_err << (m_terminal && m_printed ? "\n" : "") << "brenvale-cli: " << name
                  << ": damage at page " << place.page << ", offset " << place.offset << ": "
                  << place.message << '\n';
        }
    }

    // Says, for each category with more damaged places than were shown, how many more.
    void reportUnshownDamage()
    {
        for (std::size_t i = 0; i < m_damageSeen.size(); ++i) {
            if (m_damageSeen[i] > kDamageLinesShown) {
                m_err << "brenvale-cli: "
                      << extract::categoryInfo(static_cast<extract::RecoveryCategory>(i)).optionText
                      << ": " << m_damageSeen[i] - kDamageLinesShown
                      << " more damaged places not listed\n";
            }
        }
    }

    void progressShown(int percent) override
    {
        if (m_quiet) {
            return;
        }
        m_printed = true;
        if (m_terminal) {
            m_err << "\rScanning: " << percent << "%" << std::flush;
        } else {
            m_err << "Scanning: " << percent << "%\n";
        }
    }

    // The status of the last category reported unreadable, or 0.
    int lastUnreadable() const { return m_lastUnreadable; }

private:
    std::ostream& m_err;
    bool m_quiet;
    bool m_terminal;
    bool m_printed = false;
    int m_lastUnreadable = 0;
    static constexpr std::size_t kDamageLinesShown = 20;
    std::array<std::size_t, extract::kCategoryCount> m_damageSeen{};
};

int parseCategoryList(const std::vector<std::string>& lists,
                      extract::CategorySet& set,
                      std::string& error)
{
    if (lists.empty()) {
        set = extract::CategorySet::all();
        return 0;
    }
    for (const std::string& list : lists) {
        std::istringstream names(list);
        std::string name;
        while (std::getline(names, name, ',')) {
            const auto category = extract::categoryFromCliName(name);
            if (!category) {
                error = "unknown category '" + name + "'";
                return kExitUsage;
            }
            set.set(*category);
        }
    }
    if (set.empty()) {
        error = "no category given";
        return kExitUsage;
    }
    return 0;
}

bool readBackupPassword(bool fromStdin, std::string& password, std::string& error)
{
    if (fromStdin) {
        if (!std::getline(std::cin, password)) {
            error = "no password on standard input";
            return false;
        }
        if (!password.empty() && password.back() == '\r') {
            password.pop_back();
        }
        return true;
    }
    if (::isatty(STDIN_FILENO) == 0) {
        error = "the backup is encrypted: give its password with --password-stdin";
        return false;
    }
    termios saved{};
    const bool echoOff = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (echoOff) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    }
    std::cerr << "Backup password: " << std::flush;
    const bool got = static_cast<bool>(std::getline(std::cin, password));
    if (echoOff) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    }
    std::cerr << "\n";
    if (!got) {
        error = "no password given";
    }
    return got;
}

ScanRun::ScanRun(std::ostream& err, bool quiet)
    : m_err(err)
    , m_printer(std::make_unique<Printer>(err, quiet))
    , m_driver(std::make_unique<extract::ScanDriver>(m_engine, *m_printer))
{}

ScanRun::~ScanRun() = default;

void ScanRun::reportMissingPhotoLibrary(extract::CategorySet categories)
{
    const auto& manifest = m_engine.manifest();
    if (!categories.has(extract::RecoveryCategory::CameraRoll) ||
        m_driver->results().cameraRoll.empty() ||
        std::any_of(manifest.begin(), manifest.end(), [](const auto& entry) {
            return entry.domainPath == extract::kPhotoLibraryDomainPath;
        })) {
        return;
    }
    m_err << "brenvale-cli: "
          << extract::categoryInfo(extract::RecoveryCategory::CameraRoll).optionText
          << ": the backup holds no photo library (Media/PhotoData/Photos.sqlite); files are "
             "listed without its details\n";
}

int ScanRun::scan(const std::string& folder,
                  extract::CategorySet categories,
                  bool passwordFromStdin)
{
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (const int status = catalogue::readBackupInfo(path, m_info); status != 0) {
        if (m_info.damage.empty()) {
            m_err << "brenvale-cli: no backup in " << path << ": it holds no Info.plist file"
                  << " (" << platform::statusName(status) << ", status " << status << ")\n";
        } else {
            m_err << "brenvale-cli: the backup in " << path << " cannot be read: " << m_info.damage
                  << "\n";
        }
        return kExitFailure;
    }
    std::string password;
    std::string error;
    if (m_info.isEncrypted && !readBackupPassword(passwordFromStdin, password, error)) {
        m_err << "brenvale-cli: " << error << "\n";
        return kExitFailure;
    }
    m_driver->setBackup(m_info);
    m_driver->setCategories(categories);
    m_driver->setPassword(password);
    if (m_driver->StartScan(extract::kSourceLocalBackup) != 0) {
        m_err << "brenvale-cli: the scan could not start\n";
        return kExitFailure;
    }
    m_driver->wait();
    m_ran = true;
    m_printer->reportUnshownDamage();
    reportMissingPhotoLibrary(categories);
    const int status = m_driver->status();
    if (status == platform::kStatusWrongPassword) {
        m_err << "brenvale-cli: wrong password for this backup\n";
        return kExitFailure;
    }
    if (status == platform::kStatusStopped || m_driver->source() == nullptr) {
        m_err << "brenvale-cli: the scan was stopped: " << platform::statusName(status)
              << " (status " << status << ")\n";
        return kExitFailure;
    }
    // The final status is the last category's, which may have been reported already.
    if (status != 0 && status != m_printer->lastUnreadable()) {
        m_err << "brenvale-cli: the scan ended with status " << status << " ("
              << platform::statusName(status) << ")\n";
    }
    return kExitOk;
}

} // namespace cli
