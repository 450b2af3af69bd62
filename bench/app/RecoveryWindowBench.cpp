// Runs the recovery window over thousands of small files (offscreen) and reports how late a
// 10 ms timer on the window's thread fired at worst and at the 99th percentile, and how many
// different counts the window showed on the way.
//
//   bench_recovery_window [FILES] [BYTES]      (defaults: 5000 files of 16384 bytes)
#include "app/Application.h"
#include "app/CRecoverProcessWnd.h"
#include "app/Texts.h"
#include "export/CStatisticsObj.h"
#include "fixtures/source/CopyingSource.h"
#include "platform/File.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

namespace {

constexpr int kTickMs = 10;

// Writes `count` files of `bytes` bytes into `folder` as camera-roll items.
std::vector<extract::MediaItem> writeFiles(const std::string& folder, int count, int bytes)
{
    std::filesystem::create_directories(folder);
    std::vector<extract::MediaItem> items;
    std::string content(static_cast<std::size_t>(bytes), 'x');
    for (int i = 0; i < count; ++i) {
        const std::string path = folder + "/" + std::to_string(100000 + i);
        if (platform::writeWholeFile(path, content) != 0) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            std::exit(1);
        }
        items.push_back({content.size(), "IMG_" + std::to_string(i) + ".JPG", path});
    }
    return items;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::applySkin();
    const int files = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int bytes = argc > 2 ? std::atoi(argv[2]) : 16384;
    QTemporaryDir scratch;
    const std::string root = scratch.path().toStdString();

    extract::ScanResults results;
    results.cameraRoll = writeFiles(root + "/backup", files, bytes);
    extract::CategorySet cameraRoll;
    cameraRoll.set(extract::RecoveryCategory::CameraRoll, true);
    exporting::CStatisticsObj statistics;
    statistics.fill(results, cameraRoll);
    fixtures::CopyingSource source;

    exporting::RecoveryRunInputs inputs;
    inputs.outputRoot = root + "/out";
    inputs.templateFolder = app::toUtf8(app::applicationFolder() + QStringLiteral("template"));
    inputs.deviceName = "Bench";
    inputs.results = &results;
    inputs.statistics = &statistics;
    inputs.source = &source;
    app::CRecoverProcessWnd window(nullptr, std::move(inputs));

    // The timer measures how late each tick comes; it ends the window once the run has ended.
    std::vector<double> lateness;
    std::set<QString> countsShown;
    QElapsedTimer clock;
    QElapsedTimer run;
    QTimer ticks;
    ticks.setInterval(kTickMs);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double since = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        clock.restart();
        lateness.push_back(std::max(0.0, since - kTickMs));
        countsShown.insert(window.findChild<QLabel*>(QStringLiteral("recovered"))->text());
        auto* finish = window.findChild<QPushButton*>(QStringLiteral("FinishBtn"));
        if (finish->isVisible()) {
            ticks.stop();
            finish->click();
        }
    });
    QTimer::singleShot(0, [&] {
        clock.start();
        ticks.start();
    });
    run.start();
    const int result = window.run();
    const double seconds = static_cast<double>(run.nsecsElapsed()) / 1e9;
    if (result != 1 || lateness.empty()) {
        std::fprintf(stderr, "the run did not finish (%d)\n", result);
        return 1;
    }
    std::sort(lateness.begin(), lateness.end());
    const double worst = lateness.back();
    const double p99 = lateness[lateness.size() * 99 / 100];
    std::printf("files %d of %d bytes: %.2f s (%.0f files/s), failed %llu\n",
                files,
                bytes,
                seconds,
                files / seconds,
                static_cast<unsigned long long>(window.recovery().state().failed));
    std::printf(
        "event loop: %zu ticks of %d ms, late by at most %.1f ms (99th percentile %.1f ms)\n",
        lateness.size(),
        kTickMs,
        worst,
        p99);
    std::printf("progress: %zu different counts shown\n", countsShown.size());
    return 0;
}
