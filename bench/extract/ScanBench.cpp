// Whole-scan timing on a large generated backup: 200,000 messages in 2,000 conversations,
// 20,000 contacts, 50,000 calls, 5,000 notes, 100,000 WhatsApp messages and 100,000 manifest
// entries of which 20,000 are media files. Prints the scan's time and peak memory beside the
// time the SQLite shell takes for the equivalent live-row join queries on the same databases.
//
// Usage: bench_extract_scan [WORK_DIR]   (WORK_DIR is kept; default: a fresh temporary folder)
#include "catalogue/BackupEngine.h"
#include "catalogue/BackupInfo.h"
#include "extract/ScanDriver.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/backup/MediaBytes.h"
#include "fixtures/devicedb/DeviceDbLocations.h"
#include "platform/File.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMediaFiles = 20000;
constexpr int kOtherEntries = 100000 - kMediaFiles;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes the large backup into `folder`.
int writeLargeBackup(const std::string& folder)
{
    fixtures::DeviceFilesOptions device;
    device.conversations = 2000;
    device.messages = 200000;
    device.contacts = 20000;
    device.calls = 50000;
    device.notes = 5000;
    device.whatsAppMessages = 100000;
    fixtures::BackupDescription spec;
    spec.productVersion = "14.3";
    if (const int status = fixtures::deviceDatabaseFiles(device, folder + ".scratch", spec.files);
        status != 0) {
        return status;
    }
    const fixtures::MediaKind kinds[] = {fixtures::MediaKind::JpegExif,
                                         fixtures::MediaKind::Png,
                                         fixtures::MediaKind::Heic,
                                         fixtures::MediaKind::Mov};
    for (int i = 0; i < kMediaFiles; ++i) {
        const fixtures::MediaKind kind = kinds[i % 4];
        spec.files.push_back({"CameraRollDomain",
                              "Media/DCIM/1" + std::to_string(i / 1000) + "APPLE/IMG_" +
                                  std::to_string(i) + "." +
                                  std::string(fixtures::mediaFileExtension(kind)),
                              fixtures::mediaBytes(kind, static_cast<unsigned>(i)),
                              fixtures::FileKind::File,
                              ""});
    }
    for (int i = static_cast<int>(spec.files.size()); i < kMediaFiles + kOtherEntries; ++i) {
        spec.files.push_back({"HomeDomain",
                              "Library/Preferences/setting" + std::to_string(i) + ".plist",
                              "",
                              fixtures::FileKind::Folder,
                              ""});
    }
    const int status = fixtures::writeBackup(spec, folder);
    std::filesystem::remove_all(folder + ".scratch");
    return status;
}

// Runs the writer in a child process, so that its memory does not count as the scan's.
int writeInChild(const std::string& folder)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(writeLargeBackup(folder) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

struct NullObserver : extract::ScanObserver
{
    void scanMessage(extract::ScanMessage, std::int64_t) override {}

    void progressShown(int) override {}
};

std::string contentPath(const std::string& folder, std::string_view fileId)
{
    return folder + "/" + std::string(fileId.substr(0, 2)) + "/" + std::string(fileId);
}

// Seconds the SQLite shell takes for the live-row joins that a scan's categories amount to.
double shellSeconds(const std::string& folder)
{
    const std::pair<std::string_view, const char*> queries[] = {
        {fixtures::kSmsDbLocation.fileId,
         "select m.ROWID, m.text, m.date, m.is_from_me, h.id, a.filename from message m "
         "left join handle h on h.ROWID = m.handle_id "
         "left join message_attachment_join j on j.message_id = m.ROWID "
         "left join attachment a on a.ROWID = j.attachment_id;"},
        {fixtures::kAddressBookLocation.fileId, "select * from ABPersonFullTextSearch_content;"},
        {fixtures::kCallHistoryStoreLocation.fileId,
         "select ZADDRESS, ZDATE, ZDURATION, ZORIGINATED from ZCALLRECORD;"},
        {fixtures::kNoteStoreLocation.fileId,
         "select o.ZTITLE1, o.ZSNIPPET, o.ZCREATIONDATE1, d.ZDATA from ZICCLOUDSYNCINGOBJECT o "
         "left join ZICNOTEDATA d on d.ZNOTE = o.Z_PK;"},
        {fixtures::kWhatsAppChatLocation.fileId,
         "select m.ZTEXT, m.ZMESSAGEDATE, m.ZISFROMME, s.ZPARTNERNAME, s.ZCONTACTJID, "
         "g.ZCONTACTNAME, g.ZMEMBERJID, i.ZMEDIALOCALPATH from ZWAMESSAGE m "
         "left join ZWACHATSESSION s on s.Z_PK = m.ZCHATSESSION "
         "left join ZWAGROUPMEMBER g on g.Z_PK = m.ZGROUPMEMBER "
         "left join ZWAMEDIAITEM i on i.Z_PK = m.ZMEDIAITEM;"},
        {"", "select fileID, domain, relativePath from Files;"},
    };
    const auto start = Clock::now();
    for (const auto& [fileId, query] : queries) {
        const std::string database =
            fileId.empty() ? folder + "/Manifest.db" : contentPath(folder, fileId);
        const std::string command =
            "sqlite3 '" + database + "' \"" + std::string(query) + "\" >/dev/null";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "the shell failed: %s\n", command.c_str());
        }
    }
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv)
{
    const bool keep = argc > 1;
    const std::string work =
        keep ? argv[1] : (std::filesystem::temp_directory_path() / "brenvale-scan-bench").string();
    const std::string folder = work + "/backup";
    ::setenv("BRENVALE_APPDATA", (work + "/appdata").c_str(), 1);
    if (!std::filesystem::exists(folder + "/Manifest.db")) {
        std::filesystem::create_directories(work);
        std::printf("writing the large backup into %s ...\n", folder.c_str());
        if (writeInChild(folder) != 0) {
            std::fprintf(stderr, "cannot write the backup\n");
            return 1;
        }
    }

    catalogue::BackupInfo info;
    info.folderPath = folder;
    info.isVersion12OrLater = true;
    catalogue::BackupEngine engine;
    NullObserver observer;
    extract::ScanDriver driver(engine, observer);
    driver.setBackup(info);
    driver.setCategories(extract::CategorySet::all());
    const auto start = Clock::now();
    if (driver.StartScan(extract::kSourceLocalBackup) != 0) {
        std::fprintf(stderr, "the scan did not start\n");
        return 1;
    }
    driver.wait();
    const double scan = secondsSince(start);
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const extract::CategoryCounts counts = extract::countResults(driver.results());
    std::size_t records = 0;
    for (const std::size_t count : counts) {
        records += count;
    }
    const double shell = shellSeconds(folder);
    std::printf("scan:  %.2f s, peak memory %.0f MiB, %zu records, status %d\n",
                scan,
                static_cast<double>(usage.ru_maxrss) / 1024.0,
                records,
                driver.status());
    std::printf("sqlite3 shell, live-row joins on the same databases: %.2f s (ratio %.2f)\n",
                shell,
                scan / shell);
    if (!keep) {
        std::filesystem::remove_all(work);
    }
    return 0;
}
