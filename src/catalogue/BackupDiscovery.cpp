// Backup discovery: candidate folders, Info.plist records, the encryption probe and the date
// conversion.
#include "BackupDiscovery.h"

#include "BackupFiles.h"
#include "Folders.h"
#include "InfoPlist.h"
#include "formats/ManifestNames.h"
#include "formats/ManifestPlist.h"
#include "platform/Clock.h"
#include "platform/File.h"
#include "platform/KnownFolders.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <array>

namespace catalogue {

namespace {

constexpr const char* kDamagedInfoPlist = "damaged Info.plist";
constexpr const char* kUnreadableInfoPlist = "Info.plist cannot be read";

// The decimal number at `position` as a C library's atoi reads it: leading blanks, a sign,
// then digits. Values are held within ±10^9 so that no arithmetic can overflow.
int leadingNumber(std::string_view text, std::size_t position)
{
    std::size_t i = position;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int number = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        if (number < 100000000) {
            number = number * 10 + (text[i] - '0');
        }
        ++i;
    }
    return negative ? -number : number;
}

// The time limit of one folder's search: every listing asks it first.
class SearchClock
{
public:
    explicit SearchClock(std::chrono::milliseconds limit)
        : m_end(std::chrono::steady_clock::now() + limit)
    {}

    bool expired()
    {
        m_expired = m_expired || std::chrono::steady_clock::now() >= m_end;
        return m_expired;
    }

private:
    std::chrono::steady_clock::time_point m_end;
    bool m_expired = false;
};

std::string_view lastName(std::string_view path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The sub-folders of `folder` in name order; none once the clock has run out.
std::vector<std::string> subFolders(const std::string& folder, SearchClock& clock)
{
    std::vector<std::string> entries;
    if (clock.expired() || !platform::listFolderEntries(folder, entries)) {
        return {};
    }
    std::erase_if(entries, [](const std::string& entry) { return !platform::folderExists(entry); });
    std::sort(entries.begin(), entries.end());
    return entries;
}

// Every folder below `base` whose path after `base` is `relative` ("/"-separated) without
// regard to ASCII case, in name order.
std::vector<std::string>
matchNoCase(const std::string& base, std::string_view relative, SearchClock& clock)
{
    std::vector<std::string> current{base};
    while (!relative.empty() && !current.empty()) {
        const std::size_t slash = relative.find('/');
        const std::string_view segment = relative.substr(0, slash);
        relative =
            slash == std::string_view::npos ? std::string_view() : relative.substr(slash + 1);
        std::vector<std::string> next;
        for (const std::string& folder : current) {
            for (std::string& entry : subFolders(folder, clock)) {
                if (platform::compareAsciiNoCase(lastName(entry), segment) == 0) {
                    next.push_back(std::move(entry));
                }
            }
        }
        current = std::move(next);
    }
    return current;
}

// The Users folders of a disk mounted at `disk`, or of the disks one level further down.
std::vector<std::string> usersFolders(const std::string& disk, SearchClock& clock)
{
    std::vector<std::string> users = matchNoCase(disk, kUsersFolderName, clock);
    if (!users.empty()) {
        return users;
    }
    for (const std::string& inner : subFolders(disk, clock)) {
        for (std::string& found : matchNoCase(inner, kUsersFolderName, clock)) {
            users.push_back(std::move(found));
        }
    }
    return users;
}

// Appends the mount root `root` and the backups folders of the user folders below it.
void searchMountRoot(const std::string& root,
                     std::chrono::milliseconds limit,
                     std::vector<SearchedRoot>& roots)
{
    if (!platform::folderExists(root)) {
        roots.push_back({root, RootOrigin::MountPoint, RootState::Missing});
        return;
    }
    SearchClock clock(limit);
    std::vector<SearchedRoot> found;
    for (const std::string& disk : subFolders(root, clock)) {
        for (const std::string& users : usersFolders(disk, clock)) {
            for (const std::string& user : subFolders(users, clock)) {
                for (const std::string_view layout : kUserFolderBackupPaths) {
                    for (std::string& backups : matchNoCase(user, layout, clock)) {
                        found.push_back({std::move(backups), RootOrigin::MountedDisk});
                    }
                }
            }
        }
    }
    roots.push_back({root,
                     RootOrigin::MountPoint,
                     clock.expired() ? RootState::TimedOut : RootState::Searched});
    roots.insert(roots.end(), found.begin(), found.end());
}

// Appends the usual backups roots: every case variant of the one below the application-data
// folder (or its spelled path, missing), then the platform's own folders.
void searchUsualRoots(std::chrono::milliseconds limit, std::vector<SearchedRoot>& roots)
{
    const std::string appData = platform::appDataFolder();
    if (!appData.empty()) {
        SearchClock clock(limit);
        std::vector<std::string> matches = matchNoCase(appData, kBackupsRootRelative, clock);
        if (matches.empty()) {
            roots.push_back({defaultBackupsRoot(),
                             RootOrigin::Usual,
                             clock.expired() ? RootState::TimedOut : RootState::Missing});
        }
        for (std::string& match : matches) {
            roots.push_back({std::move(match), RootOrigin::Usual});
        }
    }
    for (const std::string& root : platform::platformBackupRoots()) {
        roots.push_back({root,
                         RootOrigin::Usual,
                         platform::folderExists(root) ? RootState::Searched : RootState::Missing});
    }
}

} // namespace

RootSearch defaultRootSearch(std::vector<std::string> namedRoots)
{
    RootSearch search;
    search.mountRoots = platform::mountRoots();
    search.rememberedRoots = rememberedRoots();
    search.namedRoots = std::move(namedRoots);
    return search;
}

std::vector<SearchedRoot> searchBackupRoots(const RootSearch& search)
{
    std::vector<SearchedRoot> all;
    searchUsualRoots(search.timeLimit, all);
    for (const std::string& root : search.mountRoots) {
        searchMountRoot(withoutTrailingSeparator(root), search.timeLimit, all);
    }
    for (const auto& [list, origin] : {std::pair{&search.rememberedRoots, RootOrigin::Remembered},
                                       std::pair{&search.namedRoots, RootOrigin::Named}}) {
        for (const std::string& root : *list) {
            std::string path = withoutTrailingSeparator(root);
            const RootState state =
                platform::folderExists(path) ? RootState::Searched : RootState::Missing;
            all.push_back({std::move(path), origin, state});
        }
    }
    std::vector<SearchedRoot> roots;
    for (SearchedRoot& root : all) {
        const bool seen = std::any_of(roots.begin(), roots.end(), [&](const SearchedRoot& kept) {
            return kept.path == root.path;
        });
        if (!root.path.empty() && !seen) {
            roots.push_back(std::move(root));
        }
    }
    return roots;
}

std::vector<std::string> searchedPaths(const std::vector<SearchedRoot>& roots)
{
    std::vector<std::string> paths;
    for (const SearchedRoot& root : roots) {
        if (root.state != RootState::Missing && root.origin != RootOrigin::MountPoint) {
            paths.push_back(root.path);
        }
    }
    return paths;
}

int findBackupFolders(const std::vector<std::string>& roots, std::vector<std::string>& folders)
{
    folders.clear();
    for (const std::string& root : roots) {
        if (platform::fileExists(platform::joinPath(root, formats::kInfoPlistName))) {
            folders.push_back(root);
        }
        std::vector<std::string> entries;
        if (!platform::listFolderEntries(root, entries)) {
            continue;
        }
        for (std::string& entry : entries) {
            if (std::find(folders.begin(), folders.end(), entry) == folders.end()) {
                folders.push_back(std::move(entry));
            }
        }
    }
    return platform::kStatusOk;
}

int readBackupInfo(const std::string& folder, BackupInfo& info)
{
    const std::string plistPath = platform::joinPath(folder, formats::kInfoPlistName);
    if (!platform::fileExists(plistPath)) {
        return platform::kStatusInvalid;
    }
    BackupInfo record;
    record.folderPath = withoutTrailingSeparator(folder);
    std::string content;
    if (platform::readWholeFile(plistPath, kMaxInfoPlistBytes, content) != platform::kStatusOk) {
        record.damage = kUnreadableInfoPlist;
    } else if (parseInfoPlist(content, record) != platform::kStatusOk) {
        record.damage = kDamagedInfoPlist;
    }
    if (!record.damage.empty()) {
        info = BackupInfo{};
        info.folderPath = std::move(record.folderPath);
        info.damage = std::move(record.damage);
        return platform::kStatusCorrupt;
    }
    record.isEncrypted = probeEncrypted(folder);
    info = std::move(record);
    return platform::kStatusOk;
}

int readBackupList(const std::vector<std::string>& folders, std::vector<BackupInfo>& list)
{
    for (const std::string& folder : folders) {
        BackupInfo info;
        if (readBackupInfo(folder, info) != platform::kStatusInvalid) {
            list.push_back(std::move(info));
        }
    }
    sortBackupList(list);
    return platform::kStatusOk;
}

void sortBackupList(std::vector<BackupInfo>& list)
{
    std::stable_sort(list.begin(), list.end(), [](const BackupInfo& a, const BackupInfo& b) {
        return platform::compareAsciiNoCase(a.lastBackupDate, b.lastBackupDate) > 0;
    });
}

bool probeEncrypted(const std::string& folder)
{
    const bool twoLevel = platform::fileExists(platform::joinPath(folder, "Manifest.db"));
    const std::string candidate =
        backupFilePath(platform::wideToNarrow(folder), kContactsDbId, false, twoLevel);
    platform::File file;
    if (file.openRead(candidate) != platform::kStatusOk &&
        file.openRead(candidate + ".mddata") != platform::kStatusOk) {
        // A backup without an address book still says in Manifest.plist that it is encrypted.
        return formats::manifestSaysEncrypted(folder);
    }
    std::array<char, 512> head{};
    std::size_t got = 0;
    (void)platform::readExact(file, head.data(), head.size(), got);
    return platform::compareAsciiNoCase(std::string_view(head.data(), 6), "SQLite") != 0 ||
           formats::manifestSaysEncrypted(folder);
}

std::string dateToLocal(std::string_view text)
{
    std::array<int, 6> fields{};
    fields[0] = leadingNumber(text, 0);
    constexpr std::array<char, 5> kSeparators = {'-', '-', ' ', ':', ':'};
    std::size_t position = 0;
    for (std::size_t i = 0; i < kSeparators.size(); ++i) {
        position = text.find(kSeparators[i], position);
        if (position == std::string_view::npos) {
            return {};
        }
        ++position;
        fields[i + 1] = leadingNumber(text, position);
    }
    if (fields[0] < 1 || fields[0] > 9999) {
        return {};
    }
    const std::int64_t utc = platform::secondsFromUtcFields(
        fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
    std::string local =
        platform::formatUtc(utc - std::int64_t{platform::zoneBaseBiasMinutes()} * 60);
    // Fields far outside their ranges carry over into years that no longer fit the format.
    constexpr std::size_t kFormattedLength = 19;
    return local.size() == kFormattedLength ? local : std::string();
}

} // namespace catalogue
