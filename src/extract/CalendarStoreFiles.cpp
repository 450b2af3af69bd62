// Finding the reminders and calendar stores in the manifest.
#include "extract/CalendarStoreFiles.h"

namespace extract {

namespace {

constexpr std::string_view kStoresFolder = "Container_v1/Stores/";
constexpr std::string_view kDataPrefix = "Data-";
constexpr std::string_view kDataSuffix = ".sqlite";
constexpr std::string_view kCalendarPath = "Library/Calendar/Calendar.sqlitedb";
constexpr std::string_view kHomeDomain = "HomeDomain-";

// True when `domainPath` ("domain-relative/path") has the relative path `relativePath`, or
// one that ends in "/" + `relativePath`.
bool hasRelativePath(std::string_view domainPath, std::string_view relativePath)
{
    if (!domainPath.ends_with(relativePath) || domainPath.size() == relativePath.size()) {
        return false;
    }
    const char before = domainPath[domainPath.size() - relativePath.size() - 1];
    return before == '-' || before == '/';
}

bool isReminderDataFile(std::string_view domainPath)
{
    const std::size_t slash = domainPath.rfind('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    const std::string_view name = domainPath.substr(slash + 1);
    return name.size() > kDataPrefix.size() + kDataSuffix.size() && name.starts_with(kDataPrefix) &&
           name.ends_with(kDataSuffix) &&
           hasRelativePath(domainPath.substr(0, slash + 1), kStoresFolder);
}

} // namespace

std::vector<const catalogue::ManifestEntry*>
reminderStoreFiles(const std::vector<catalogue::ManifestEntry>& manifest)
{
    std::vector<const catalogue::ManifestEntry*> files;
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (isReminderDataFile(entry.domainPath)) {
            files.push_back(&entry);
        }
    }
    return files;
}

const catalogue::ManifestEntry*
calendarStoreFile(const std::vector<catalogue::ManifestEntry>& manifest)
{
    const catalogue::ManifestEntry* found = nullptr;
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (entry.domainPath.ends_with(kCalendarPath) &&
            entry.domainPath.size() > kCalendarPath.size() &&
            entry.domainPath[entry.domainPath.size() - kCalendarPath.size() - 1] == '-' &&
            (found == nullptr || entry.domainPath.starts_with(kHomeDomain))) {
            found = &entry;
        }
    }
    return found;
}

} // namespace extract
