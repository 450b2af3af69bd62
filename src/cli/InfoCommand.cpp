// `brenvale-cli info`: one backup's record, and which manifest it has with how many entries.
#include "Arguments.h"
#include "BackupJson.h"
#include "Commands.h"
#include "catalogue/BackupDiscovery.h"
#include "catalogue/ManifestDb.h"
#include "catalogue/ManifestMbdb.h"
#include "formats/ManifestNames.h"
#include "platform/File.h"
#include "platform/Status.h"

namespace cli {

namespace {

constexpr const char* kInfoHelp =
    "Usage: brenvale-cli info BACKUP_DIR [--json]\n"
    "\n"
    "Prints one backup's record from its Info.plist and the kind and size of its manifest.\n"
    "\n"
    "  --json       print a JSON object\n";

struct ManifestSummary
{
    std::string kind;
    std::size_t entries = 0;
    int status = platform::kStatusOk;
};

ManifestSummary summariseManifest(const std::string& folder)
{
    ManifestSummary summary;
    std::vector<catalogue::ManifestEntry> entries;
    const std::string db = platform::joinPath(folder, formats::kManifestDbName);
    const std::string mbdb = platform::joinPath(folder, formats::kManifestMbdbName);
    if (platform::fileExists(db)) {
        summary.kind = formats::kManifestDbName;
        summary.status = catalogue::readManifestDb(db, entries);
    } else if (platform::fileExists(mbdb)) {
        summary.kind = formats::kManifestMbdbName;
        summary.status = catalogue::readManifestMbdb(mbdb, entries);
    }
    summary.entries = entries.size();
    return summary;
}

} // namespace

int runInfo(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ParsedArguments parsed;
    std::string error;
    if (parseArguments(args, {{"json", false}}, parsed, error) != 0) {
        return usageError(err, "info", error);
    }
    if (parsed.has("help")) {
        out << kInfoHelp;
        return kExitOk;
    }
    if (parsed.positionals.size() != 1) {
        return usageError(err, "info", "expected one BACKUP_DIR");
    }
    std::string folder = parsed.positionals[0];
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    catalogue::BackupInfo info;
    if (const int status = catalogue::readBackupInfo(folder, info); status != 0) {
        if (info.damage.empty()) {
            err << "brenvale-cli: no backup in " << folder << ": it holds no Info.plist file"
                << " (" << platform::statusName(status) << ", status " << status << ")\n";
        } else {
            err << "brenvale-cli: the backup in " << folder << " cannot be read: " << info.damage
                << "\n";
        }
        return kExitFailure;
    }
    const ManifestSummary manifest = summariseManifest(folder);
    if (manifest.status != platform::kStatusOk) {
        err << "brenvale-cli: " << manifest.kind << " cannot be read"
            << (info.isEncrypted ? " without the password" : "") << " (status " << manifest.status
            << ": " << platform::statusName(manifest.status) << ")\n";
    }
    if (parsed.has("json")) {
        JsonWriter json(out, true);
        json.beginObject();
        writeBackupMembers(json, info);
        json.key("manifestKind");
        if (manifest.kind.empty()) {
            json.null();
        } else {
            json.value(manifest.kind);
        }
        json.member("manifestEntries", static_cast<std::uint64_t>(manifest.entries));
        json.endObject();
        out << "\n";
    } else {
        out << "Name:           " << info.displayName << "\n"
            << "Last backup:    " << info.lastBackupDate << "\n"
            << "Phone number:   " << info.phoneNumber << "\n"
            << "Serial number:  " << info.serialNumber << "\n"
            << "Folder:         " << info.folderPath << "\n"
            << "Encrypted:      " << (info.isEncrypted ? "yes" : "no") << "\n"
            << "iOS 12 or later: " << (info.isVersion12OrLater ? "yes" : "no") << "\n"
            << "Manifest:       " << (manifest.kind.empty() ? "none" : manifest.kind) << ", "
            << manifest.entries << " entries\n";
    }
    const bool failed = manifest.status != platform::kStatusOk && !info.isEncrypted;
    return failed ? kExitFailure : kExitOk;
}

} // namespace cli
