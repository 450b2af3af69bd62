// Timings of the export on generated data, printed as a small table. Run it from the build's
// bin folder (it needs the templates beside it): bench_export [WORK_DIR] [MEDIA_FILES].
#include "cli/Commands.h"
#include "export/CStatisticsObj.h"
#include "export/ExportWriters.h"
#include "export/RecoveryRun.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/source/CopyingSource.h"
#include "platform/Executable.h"
#include "platform/File.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

long peakKiB()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Writes `count` media files of 1 MiB of random bytes behind a JPEG signature into `folder`.
std::vector<extract::MediaItem> writeMedia(const std::string& folder, int count)
{
    fs::create_directories(folder);
    std::mt19937_64 random(7);
    std::vector<extract::MediaItem> items;
    std::string bytes(1U << 20, '\0');
    for (int i = 0; i < count; ++i) {
        for (std::size_t j = 0; j < bytes.size(); j += 8) {
            const std::uint64_t value = random();
            std::memcpy(&bytes[j], &value, 8);
        }
        bytes[0] = '\xFF';
        bytes[1] = '\xD8';
        bytes[2] = '\xFF';
        const std::string path = folder + "/" + std::to_string(1000000 + i);
        (void)platform::writeWholeFile(path, bytes);
        items.push_back({bytes.size(), "IMG_" + std::to_string(i) + ".JPG", path});
    }
    return items;
}

void dropCaches()
{
    // Without privileges this does nothing; both copies then read from the page cache alike.
    if (std::system("sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null") != 0) {
        std::fputs("(page cache not dropped)\n", stderr);
    }
}

} // namespace

int main(int argc, char** argv)
{
    const std::string work =
        argc > 1 ? argv[1] : (fs::temp_directory_path() / "bench_export").string();
    const int mediaFiles = argc > 2 ? std::atoi(argv[2]) : 200;
    fs::remove_all(work);
    fs::create_directories(work);
    const std::string templates = platform::joinPath(platform::executableFolder(), "template");

    // 1. A whole export of a large generated backup through the command.
    fixtures::BackupDescription spec;
    spec.productVersion = "14.3";
    spec.files = fixtures::sampleFiles(9);
    fixtures::DeviceFilesOptions options;
    options.conversations = 200;
    options.messages = 20000;
    options.contacts = 2000;
    options.calls = 5000;
    options.notes = 1000;
    options.whatsAppMessages = 10000;
    if (fixtures::deviceDatabaseFiles(options, work + "/db", spec.files) != 0 ||
        fixtures::writeBackup(spec, work + "/backup") != 0) {
        std::cerr << "cannot write the backup\n";
        return 1;
    }
    const long before = peakKiB();
    auto start = Clock::now();
    std::ostringstream out;
    std::ostringstream err;
    const int status =
        cli::runCli({"export", work + "/backup", "--out", work + "/out", "--quiet"}, out, err);
    const double exportSeconds = secondsSince(start);
    std::printf("export of a backup with %d messages, %d contacts, %d calls, %d notes, %d "
                "WhatsApp messages: %.2f s, status %d, %s",
                options.messages,
                options.contacts,
                options.calls,
                options.notes,
                options.whatsAppMessages,
                exportSeconds,
                status,
                out.str().c_str());
    std::printf("peak resident memory: %ld KiB (%ld KiB before the export)\n", peakKiB(), before);

    // 2. Media copies through the recovery run beside `cp -r` on the same files.
    extract::ScanResults results;
    results.cameraRoll = writeMedia(work + "/media", mediaFiles);
    exporting::CStatisticsObj statistics;
    extract::CategorySet cameraRoll;
    cameraRoll.set(extract::RecoveryCategory::CameraRoll);
    statistics.fill(results, cameraRoll);
    fixtures::CopyingSource source;
    const double megabytes = mediaFiles;
    dropCaches();
    start = Clock::now();
    const std::string cpCommand = "cp -r '" + work + "/media' '" + work + "/cp-copy'";
    if (std::system(cpCommand.c_str()) != 0) {
        std::cerr << "cp failed\n";
    }
    const double cpSeconds = secondsSince(start);
    dropCaches();
    exporting::RecoveryRunInputs inputs;
    inputs.outputRoot = work + "/run-copy";
    inputs.templateFolder = templates;
    inputs.results = &results;
    inputs.statistics = &statistics;
    inputs.source = &source;
    exporting::RecoveryRun run(inputs, nullptr);
    if (run.loadTemplates() != 0) {
        std::cerr << "no templates in " << templates << "\n";
        return 1;
    }
    start = Clock::now();
    (void)run.run();
    const double runSeconds = secondsSince(start);
    std::printf("media copy of %d files of 1 MiB: recovery run %.3f s (%.0f MiB/s), cp -r %.3f s "
                "(%.0f MiB/s): %.0f%% of cp\n",
                mediaFiles,
                runSeconds,
                megabytes / runSeconds,
                cpSeconds,
                megabytes / cpSeconds,
                100.0 * cpSeconds / runSeconds);

    // 3. The page of one conversation of 100,000 messages.
    extract::MessageMap messages;
    auto& list = messages[1];
    for (int i = 0; i < 100000; ++i) {
        extract::MessageRecord m;
        m.deleted = i % 10 == 0 ? 1 : 0;
        m.isFromMe = i % 2;
        m.handleId = 1;
        m.date = "2015-05-01 10:00:00";
        m.address = "+15550100";
        m.contactName = "Bob";
        m.text = "Message number " + std::to_string(i) + " with <markup> & \"quotes\", commas";
        list.push_back(std::move(m));
    }
    exporting::ExportState state;
    state.deviceName = "iPhone";
    if (exporting::loadTemplate(state, exporting::TemplateKind::Sms, templates) != 0) {
        return 1;
    }
    exporting::buildPersonHead(state, exporting::TemplateKind::Sms, "Name: Bob, Phone: +15550100");
    start = Clock::now();
    const int pageStatus =
        exporting::writeConversationHtml(state, work + "/big/Bob.html", messages, 1);
    const double pageSeconds = secondsSince(start);
    std::uint64_t pageBytes = 0;
    (void)platform::getFileSize(work + "/big/Bob.html", pageBytes);
    std::printf("page of a 100,000-message conversation: %.3f s, %.1f MiB, status %d\n",
                pageSeconds,
                static_cast<double>(pageBytes) / (1U << 20),
                pageStatus);
    fs::remove_all(work);
    return 0;
}
