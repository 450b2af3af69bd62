// Whole-scan timing on large generated backups. A backup of M messages holds them in M/100
// conversations, with M/10 contacts, M/4 calls, M/40 notes, M/2 WhatsApp messages and M/2
// manifest entries of which M/10 are media files (M = 200,000 by default). Prints each scan's
// time and peak memory, per message too, beside the time the SQLite shell takes for the
// equivalent live-row join queries on the same databases; with several sizes, also how time
// and memory per message grew from the smallest to the largest, which should stay near 1.
//
// Usage: bench_extract_scan [WORK_DIR [MESSAGES]...]
//   WORK_DIR is kept, so a second run scans the same backups (default: a fresh temporary
//   folder, removed at the end).
#include "catalogue/BackupEngine.h"
#include "catalogue/BackupInfo.h"
#include "extract/ScanDriver.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/backup/MediaBytes.h"
#include "fixtures/devicedb/DeviceDbLocations.h"
#include "platform/File.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kDefaultMessages = 200000;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Writes the backup of `messages` messages into `folder`.
int writeLargeBackup(const std::string& folder, int messages)
{
    fixtures::DeviceFilesOptions device;
    device.conversations = messages / 100;
    device.messages = messages;
    device.contacts = messages / 10;
    device.calls = messages / 4;
    device.notes = messages / 40;
    device.whatsAppMessages = messages / 2;
    const int mediaFiles = messages / 10;
    const int entries = messages / 2;
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
    for (int i = 0; i < mediaFiles; ++i) {
        const fixtures::MediaKind kind = kinds[i % 4];
        spec.files.push_back({"CameraRollDomain",
                              "Media/DCIM/1" + std::to_string(i / 1000) + "APPLE/IMG_" +
                                  std::to_string(i) + "." +
                                  std::string(fixtures::mediaFileExtension(kind)),
                              fixtures::mediaBytes(kind, static_cast<unsigned>(i)),
                              fixtures::FileKind::File,
                              ""});
    }
    for (int i = static_cast<int>(spec.files.size()); i < entries; ++i) {
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
int writeInChild(const std::string& folder, int messages)
{
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(writeLargeBackup(folder, messages) == 0 ? 0 : 1);
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

// What one scan took.
struct ScanFigures
{
    double seconds = 0;
    double peakMiB = 0;
    std::size_t records = 0;
    int status = 0;
};

// Scans the backup in `folder` in a child process, so that each scan's peak memory is its own.
ScanFigures scanInChild(const std::string& folder)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) {
        return {0, 0, 0, 1};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        catalogue::BackupInfo info;
        info.folderPath = folder;
        info.isVersion12OrLater = true;
        catalogue::BackupEngine engine;
        NullObserver observer;
        extract::ScanDriver driver(engine, observer);
        driver.setBackup(info);
        driver.setCategories(extract::CategorySet::all());
        ScanFigures figures;
        const auto start = Clock::now();
        figures.status = driver.StartScan(extract::kSourceLocalBackup);
        if (figures.status == 0) {
            driver.wait();
            figures.status = driver.status();
        }
        figures.seconds = secondsSince(start);
        rusage usage{};
        ::getrusage(RUSAGE_SELF, &usage);
        figures.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
        for (const std::size_t count : extract::countResults(driver.results())) {
            figures.records += count;
        }
        const bool written = ::write(pipeEnds[1], &figures, sizeof figures) == sizeof figures;
        ::_exit(written ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    ScanFigures figures{0, 0, 0, 1};
    if (::read(pipeEnds[0], &figures, sizeof figures) != sizeof figures) {
        figures.status = 1;
    }
    ::close(pipeEnds[0]);
    ::waitpid(child, nullptr, 0);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const bool keep = argc > 1;
    const std::string work =
        keep ? argv[1] : (std::filesystem::temp_directory_path() / "brenvale-scan-bench").string();
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i) {
        sizes.push_back(std::max(100, std::atoi(argv[i])));
    }
    if (sizes.empty()) {
        sizes.push_back(kDefaultMessages);
    }
    ::setenv("BRENVALE_APPDATA", (work + "/appdata").c_str(), 1);
    std::vector<std::pair<int, ScanFigures>> results;
    for (const int messages : sizes) {
        const std::string folder = work + "/backup-" + std::to_string(messages);
        if (!std::filesystem::exists(folder + "/Manifest.db")) {
            std::filesystem::create_directories(work);
            std::printf(
                "writing the backup of %d messages into %s ...\n", messages, folder.c_str());
            std::fflush(stdout);
            if (writeInChild(folder, messages) != 0) {
                std::fprintf(stderr, "cannot write the backup\n");
                return 1;
            }
        }
        const ScanFigures figures = scanInChild(folder);
        const double shell = shellSeconds(folder);
        std::printf("%d messages: scan %.2f s (%.2f us per message), peak memory %.0f MiB "
                    "(%.2f KiB per message), %zu records, status %d\n",
                    messages,
                    figures.seconds,
                    figures.seconds * 1e6 / messages,
                    figures.peakMiB,
                    figures.peakMiB * 1024.0 / messages,
                    figures.records,
                    figures.status);
        std::printf("  sqlite3 shell, live-row joins on the same databases: %.2f s (ratio %.2f)\n",
                    shell,
                    figures.seconds / shell);
        std::fflush(stdout);
        results.emplace_back(messages, figures);
    }
    if (results.size() > 1) {
        const auto& [small, first] = results.front();
        const auto& [large, last] = results.back();
        std::printf("from %d to %d messages: time per message x%.2f, memory per message x%.2f\n",
                    small,
                    large,
                    (last.seconds / large) / (first.seconds / small),
                    (last.peakMiB / large) / (first.peakMiB / small));
    }
    if (!keep) {
        std::filesystem::remove_all(work);
    }
    return 0;
}
