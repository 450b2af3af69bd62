// Backup discovery: candidate folders, Info.plist records, the encryption probe and the date
// conversion.
#include "BackupDiscovery.h"

#include "BackupFiles.h"
#include "InfoPlist.h"
#include "formats/ManifestNames.h"
#include "formats/ManifestPlist.h"
#include "platform/Clock.h"
#include "platform/File.h"
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

} // namespace

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
    record.folderPath = folder;
    while (record.folderPath.size() > 1 && record.folderPath.back() == '/') {
        record.folderPath.pop_back();
    }
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
