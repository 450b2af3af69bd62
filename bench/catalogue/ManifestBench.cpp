// Times the manifest readers on a Manifest.db of 300,000 rows and a Manifest.mbdb of 300,000
// records, and the sqlite3 shell selecting the same columns from the same database. Each
// measurement runs in a fresh process (this program started again with a mode), so that its
// peak memory is its own.
//
// Usage: bench_catalogue_manifest [--rows N] [--runs N] [--keep DIR]
// (--keep writes the manifests into DIR and leaves them there.)
#include "catalogue/ManifestDb.h"
#include "catalogue/ManifestMbdb.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/ManifestDbWriter.h"
#include "fixtures/backup/MbdbWriter.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Measure
{
    double seconds = 0;
    long peakKiB = 0;
    int exitStatus = 0;
};

// Runs `argv` in a child process with its standard output on /dev/null and returns its wall
// time and peak resident memory.
Measure runChild(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, STDOUT_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    const auto end = std::chrono::steady_clock::now();
    Measure measure;
    measure.seconds = std::chrono::duration<double>(end - start).count();
    measure.peakKiB = usage.ru_maxrss;
    measure.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return measure;
}

// A device path like those of real backups: camera roll, app containers, system files.
fixtures::BackupFile syntheticFile(unsigned i)
{
    static const char* const kApps[] = {"com.apple.mobilesafari",
                                        "net.whatsapp.WhatsApp",
                                        "com.burbn.instagram",
                                        "com.spotify.client",
                                        "com.google.Maps"};
    fixtures::BackupFile file;
    switch (i % 4) {
    case 0:
        file.domain = "CameraRollDomain";
        file.relativePath = "Media/DCIM/" + std::to_string(100 + i % 30) + "APPLE/IMG_" +
                            std::to_string(i) + ".HEIC";
        break;
    case 1:
        file.domain = std::string("AppDomain-") + kApps[i % 5];
        file.relativePath = "Library/Caches/com.hackemist.SDImageCache/default/" +
                            fixtures::fileIdOf("x", std::to_string(i)) + ".png";
        break;
    case 2:
        file.domain = "HomeDomain";
        file.relativePath = "Library/Preferences/com.apple.item" + std::to_string(i) + ".plist";
        break;
    default:
        file.domain = "MediaDomain";
        file.relativePath = "Library/SMS/Attachments/" + std::to_string(i % 256) + "/" +
                            std::to_string(i % 16) + "/IMG_" + std::to_string(i) + ".jpeg";
        break;
    }
    return file;
}

int generate(const std::string& folder, unsigned rows)
{
    std::vector<fixtures::ManifestDbRow> dbRows;
    std::vector<fixtures::MbdbRecord> records;
    dbRows.reserve(rows);
    records.reserve(rows);
    // Real Files.file values are keyed archives of a few hundred bytes.
    const std::string archive = "bplist00" + std::string(280, '\x5A');
    for (unsigned i = 0; i < rows; ++i) {
        const fixtures::BackupFile file = syntheticFile(i);
        fixtures::ManifestDbRow row = fixtures::manifestDbRowFor(file);
        row.file = archive;
        dbRows.push_back(std::move(row));
        fixtures::MbdbRecord record = fixtures::mbdbRecordFor(file);
        record.digest = std::string(20, '\x11');
        records.push_back(std::move(record));
    }
    if (fixtures::writeManifestDb(platform::joinPath(folder, "Manifest.db"), dbRows) != 0) {
        return 1;
    }
    return platform::writeWholeFile(platform::joinPath(folder, "Manifest.mbdb"),
                                    fixtures::encodeMbdb(records));
}

// Child modes: read one manifest and print the entry count.
int readMode(const std::string& mode, const std::string& path)
{
    std::vector<catalogue::ManifestEntry> manifest;
    const int status = mode == "--read-db" ? catalogue::readManifestDb(path, manifest)
                                           : catalogue::readManifestMbdb(path, manifest);
    std::printf("%zu\n", manifest.size());
    return status == 0 ? 0 : 1;
}

// Child mode: writes one byte into every page of 64 MiB, the size of the Manifest.db entries,
// to show what first use of that much memory costs on this machine.
int touchMemory()
{
    constexpr std::size_t kBytes = 64u * 1024 * 1024;
    std::vector<char> block(kBytes);
    std::printf("%d\n", block[kBytes / 2]);
    return 0;
}

Measure best(const std::vector<std::string>& argv, int runs)
{
    std::vector<Measure> all;
    for (int i = 0; i < runs; ++i) {
        all.push_back(runChild(argv));
    }
    return *std::min_element(all.begin(), all.end(), [](const Measure& a, const Measure& b) {
        return a.seconds < b.seconds;
    });
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 &&
        (std::string(argv[1]) == "--read-db" || std::string(argv[1]) == "--read-mbdb")) {
        return readMode(argv[1], argv[2]);
    }
    if (argc == 2 && std::string(argv[1]) == "--touch") {
        return touchMemory();
    }
    if (argc == 4 && std::string(argv[1]) == "--generate") {
        return generate(argv[2], static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)));
    }
    unsigned rows = 300000;
    int runs = 5;
    std::string keep;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rows") {
            rows = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
        } else if (option == "--runs") {
            runs = std::max(1, std::atoi(argv[i + 1]));
        } else if (option == "--keep") {
            keep = argv[i + 1];
        }
    }
    std::string folder = keep;
    if (folder.empty()) {
        char pattern[] = "/tmp/brenvale-bench-XXXXXX";
        if (::mkdtemp(pattern) == nullptr) {
            return 1;
        }
        folder = pattern;
    } else if (platform::createFolders(folder) != 0) {
        return 1;
    }
    // Generated in a child process too: a child forked from a large parent would count the
    // parent's pages in its peak.
    const std::string self = argv[0];
    const Measure generated = runChild({self, "--generate", folder, std::to_string(rows)});
    if (generated.exitStatus != 0) {
        std::fprintf(stderr, "cannot write the manifests into %s\n", folder.c_str());
        return 1;
    }
    std::printf("generated %u rows in %.2f s\n", rows, generated.seconds);
    const std::string db = platform::joinPath(folder, "Manifest.db");
    const std::string mbdb = platform::joinPath(folder, "Manifest.mbdb");
    std::uint64_t dbBytes = 0;
    std::uint64_t mbdbBytes = 0;
    (void)platform::getFileSize(db, dbBytes);
    (void)platform::getFileSize(mbdb, mbdbBytes);
    std::printf("Manifest.db %.1f MiB, Manifest.mbdb %.1f MiB; best of %d runs\n",
                static_cast<double>(dbBytes) / 1048576.0,
                static_cast<double>(mbdbBytes) / 1048576.0,
                runs);

    const Measure shell =
        best({"sqlite3", db, "select fileID,domain,relativePath from Files"}, runs);
    const Measure readDb = best({self, "--read-db", db}, runs);
    const Measure readMbdb = best({self, "--read-mbdb", mbdb}, runs);
    const auto line = [](const char* name, const Measure& m) {
        std::printf("%-34s %8.3f s  peak %7.1f MiB  exit %d\n",
                    name,
                    m.seconds,
                    static_cast<double>(m.peakKiB) / 1024.0,
                    m.exitStatus);
    };
    line("sqlite3 shell (select 3 columns)", shell);
    line("readManifestDb", readDb);
    line("readManifestMbdb", readMbdb);
    line("first use of 64 MiB (reference)", best({self, "--touch"}, runs));
    std::printf("readManifestDb / sqlite3 shell: %.2fx\n", readDb.seconds / shell.seconds);
    if (keep.empty()) {
        (void)platform::removeFile(db);
        (void)platform::removeFile(mbdb);
        ::rmdir(folder.c_str());
    }
    return shell.exitStatus == 0 && readDb.exitStatus == 0 && readMbdb.exitStatus == 0 ? 0 : 1;
}
