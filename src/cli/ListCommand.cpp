// `brenvale-cli list`: the backups found under the usual folders, the mounted disks, the folders
// opened before and the named roots.
#include "Arguments.h"
#include "BackupJson.h"
#include "Commands.h"
#include "catalogue/BackupDiscovery.h"

namespace cli {

namespace {

constexpr const char* kListHelp =
    "Usage: brenvale-cli list [--root DIR]... [--verbose] [--json]\n"
    "\n"
    "Lists the backups found under the platform's usual folders, the Windows and Mac user\n"
    "folders of mounted disks, the folders opened before in the application and every\n"
    "--root, newest first; folders whose Info.plist is damaged follow, marked unreadable.\n"
    "\n"
    "  --root DIR   also look for backups in DIR: a backup, a folder of backups (such as\n"
    "               MobileSync/Backup) or an idevicebackup2 target folder (repeatable)\n"
    "  --verbose    say on standard error which folders were searched\n"
    "  --json       print a JSON array of backup objects\n";

constexpr const char* kNothingFoundHint =
    "To look elsewhere, name the folder with --root DIR: a backup, a folder of backups\n"
    "(such as MobileSync/Backup) or an idevicebackup2 target folder.\n";

const char* originText(catalogue::RootOrigin origin)
{
    switch (origin) {
    case catalogue::RootOrigin::Usual:
        return "usual folder";
    case catalogue::RootOrigin::MountPoint:
        return "user folders of the disks mounted here";
    case catalogue::RootOrigin::MountedDisk:
        return "on a mounted disk";
    case catalogue::RootOrigin::Remembered:
        return "opened before";
    case catalogue::RootOrigin::Named:
        return "--root";
    }
    return "";
}

const char* stateText(catalogue::RootState state)
{
    switch (state) {
    case catalogue::RootState::Searched:
        return "searched ";
    case catalogue::RootState::Missing:
        return "not found";
    case catalogue::RootState::TimedOut:
        return "timed out";
    }
    return "";
}

// One line per folder: how its search ended, its path and where it came from.
void printRoots(std::ostream& out, const std::vector<catalogue::SearchedRoot>& roots)
{
    for (const catalogue::SearchedRoot& root : roots) {
        out << "  " << stateText(root.state) << "  " << root.path << "  ("
            << originText(root.origin) << ")\n";
    }
}

void printTable(std::ostream& out,
                const std::vector<catalogue::BackupInfo>& backups,
                const std::vector<catalogue::SearchedRoot>& roots)
{
    if (backups.empty()) {
        out << "No backups found. Looked in:\n";
        printRoots(out, roots);
        out << kNothingFoundHint;
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

void printJson(std::ostream& out, const std::vector<catalogue::BackupInfo>& backups)
{
    JsonWriter json(out, true);
    json.beginArray();
    for (const catalogue::BackupInfo& info : backups) {
        json.beginObject();
        writeBackupMembers(json, info);
        json.endObject();
    }
    json.endArray();
    out << "\n";
}

} // namespace

int runList(const CommandArgs& args, std::ostream& out, std::ostream& err)
{
    ParsedArguments parsed;
    std::string error;
    if (parseArguments(
            args, {{"root", true}, {"json", false}, {"verbose", false}}, parsed, error) != 0) {
        return usageError(err, "list", error);
    }
    if (parsed.has("help")) {
        out << kListHelp;
        return kExitOk;
    }
    if (!parsed.positionals.empty()) {
        return usageError(err, "list", "unexpected argument '" + parsed.positionals[0] + "'");
    }
    const std::vector<catalogue::SearchedRoot> roots =
        catalogue::searchBackupRoots(catalogue::defaultRootSearch(parsed.values("root")));
    std::vector<std::string> folders;
    std::vector<catalogue::BackupInfo> backups;
    if (catalogue::findBackupFolders(catalogue::searchedPaths(roots), folders) != 0 ||
        catalogue::readBackupList(folders, backups) != 0) {
        err << "brenvale-cli: the backup folders cannot be listed\n";
        return kExitFailure;
    }
    const bool json = parsed.has("json");
    // Without --json an empty list names the folders itself, on standard output.
    if (parsed.has("verbose") && (json || !backups.empty())) {
        err << "Looked for backups in:\n";
        printRoots(err, roots);
    }
    if (json) {
        printJson(out, backups);
    } else {
        printTable(out, backups, roots);
    }
    return kExitOk;
}

} // namespace cli
