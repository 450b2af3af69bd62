// Prints the recovery score per corpus folder (and per database with -v): expected deleted
// rows, recovered rows, matches, recall, precision and live rows reported as deleted.
#include "CorpusScore.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: sqlitecarve_corpus_score CORPUS_DIR [-v]\n");
        return 2;
    }
    const bool verbose = argc > 2 && std::strcmp(argv[2], "-v") == 0;
    if (verbose) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[1])) {
            auto key = entry.path();
            if (key.extension() != ".db") {
                continue;
            }
            key.replace_extension(".xml");
            const corpus::Score s = corpus::scoreDatabase(entry.path().string(), key.string());
            std::printf("%-10s expected %4zu recovered %4zu matched %4zu live-as-deleted %zu "
                        "key-corrections %zu\n",
                        entry.path().filename().c_str(),
                        s.expected,
                        s.recovered,
                        s.matched,
                        s.liveReportedDeleted,
                        s.keyCorrections);
        }
    }
    corpus::Score total;
    std::printf("folder  dbs  expected  recovered  matched  recall  precision  live-as-deleted\n");
    for (const auto& [folder, s] : corpus::scoreCorpus(argv[1])) {
        std::printf("%-6s %4zu %9zu %10zu %8zu %6.1f%% %9.1f%% %16zu\n",
                    folder.c_str(),
                    s.databases,
                    s.expected,
                    s.recovered,
                    s.matched,
                    100 * s.recall(),
                    100 * s.precision(),
                    s.liveReportedDeleted);
        total.add(s);
    }
    std::printf("%-6s %4zu %9zu %10zu %8zu %6.1f%% %9.1f%% %16zu\n",
                "all",
                total.databases,
                total.expected,
                total.recovered,
                total.matched,
                100 * total.recall(),
                100 * total.precision(),
                total.liveReportedDeleted);
    return 0;
}
