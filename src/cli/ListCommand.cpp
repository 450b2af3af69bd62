// `brenvale-cli list`: the backups found under the usual folders and the named roots.
#include "Arguments.h"
#include "BackupJson.h"
#include "Commands.h"
#include "catalogue/BackupDiscovery.h"
#include "catalogue/Folders.h"

namespace cli {

namespace {

constexpr const char* kListHelp =
    "Usage: brenvale-cli list [--root DIR]... [--json]\n"
    "\n"
    "Lists the backups found under the platform's usual folders and under every --root,\n"
    "newest first; folders whose Info.plist is damaged follow, marked unreadable.\n"
    "\n"
    "  --root DIR   also look for backups in DIR (repeatable)\n"
    "  --json       print a JSON array of backup objects\n";

void printTable(std::ostream& out, const std::vector<catalogue::BackupInfo>& backups)
{
    if (backups.empty()) {
        out << "No backups found.\n";
        return;
    }
    for (const catalogue::BackupInfo& info : backups) {
        if (!info.damage.empty()) {
            out << "(unreadable)  " << info.damage << "\n    " << info.folderPath << "\n";
            continue;
        }
        out << (info.lastBackupDate.empty() ? "(no date)" : info.lastBackupDate) << "  "
            << (info.displayName.empty() ? "(no name)" : info.displayName) << "  "
            << info.serialNumber << (info.isEncrypted ? "  encrypted" : "") << "\n    "
            << info.folderPath << "\n";
    }
}

} // namespace

int runList(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ParsedArguments parsed;
    std::string error;
    if (parseArguments(args, {{"root", true}, {"json", false}}, parsed, error) != 0) {
        return usageError(err, "list", error);
    }
    if (parsed.has("help")) {
        out << kListHelp;
        return kExitOk;
    }
    if (!parsed.positionals.empty()) {
        return usageError(err, "list", "unexpected argument '" + parsed.positionals[0] + "'");
    }
    std::vector<std::string> folders;
    std::vector<catalogue::BackupInfo> backups;
    if (catalogue::findBackupFolders(catalogue::backupsRoots(parsed.values("root")), folders) !=
            0 ||
        catalogue::readBackupList(folders, backups) != 0) {
        err << "brenvale-cli: the backup folders cannot be listed\n";
        return kExitFailure;
    }
    if (!parsed.has("json")) {
        printTable(out, backups);
        return kExitOk;
    }
    JsonWriter json(out, true);
    json.beginArray();
    for (const catalogue::BackupInfo& info : backups) {
        json.beginObject();
        writeBackupMembers(json, info);
        json.endObject();
    }
    json.endArray();
    out << "\n";
    return kExitOk;
}

} // namespace cli
