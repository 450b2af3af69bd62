// Scores our recovery on the SQLite forensic corpus against its answer keys: which deleted
// rows (and rows of dropped tables) were recovered, which recovered rows are false, and
// whether any live row was reported as deleted.
#pragma once

#include <map>
#include <string>

namespace corpus {

struct Score
{
    std::size_t expected = 0;
    std::size_t recovered = 0;
    std::size_t matched = 0;
    std::size_t liveReportedDeleted = 0;
    std::size_t databases = 0;
    std::size_t failures = 0;
    // Rows the key lists as alive that the file does not hold live.
    std::size_t keyCorrections = 0;

    double recall() const { return expected == 0 ? 1.0 : double(matched) / double(expected); }

    double precision() const { return recovered == 0 ? 1.0 : double(matched) / double(recovered); }

    void add(const Score& other);
};

// Scores the database at `databasePath` against the answer key at `keyPath`.
Score scoreDatabase(const std::string& databasePath, const std::string& keyPath);

// Scores every database of the corpus folder `root`, per sub-folder ("0A", "0C", …).
std::map<std::string, Score> scoreCorpus(const std::string& root);

} // namespace corpus
