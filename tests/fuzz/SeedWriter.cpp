// brenvale-fuzz-seeds FOLDER [--generated NAME]... [SEED.hex | DIR]...
// Writes the seeds of one fuzz target into FOLDER (emptied first): each hex text seed decoded
// into a file named like it without ".hex" (every *.hex of a DIR), and each generated seed set.
// Seeds are kept in the tree as text and generator calls; the fuzzers and the replay read
// these files. Exits 1, naming the seed, when one cannot be decoded or written.
#include "GeneratedSeeds.h"
#include "HexSeed.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool writeHexSeed(const fs::path& source, const fs::path& folder)
{
    std::ifstream in(source, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string bytes;
    std::string error;
    if (!in || fuzzseeds::decodeHexSeed(text.str(), bytes, error) != 0) {
        std::fprintf(
            stderr, "%s: %s\n", source.c_str(), error.empty() ? "unreadable" : error.c_str());
        return false;
    }
    std::ofstream out(folder / source.stem(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool writeHexSeeds(const fs::path& source, const fs::path& folder)
{
    if (!fs::is_directory(source)) {
        return writeHexSeed(source, folder);
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(source)) {
        if (entry.path().extension() == ".hex" && !writeHexSeed(entry.path(), folder)) {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: brenvale-fuzz-seeds FOLDER [--generated NAME]... [SEED]...\n");
        return 2;
    }
    const fs::path folder(argv[1]);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    for (int i = 2; i < argc; ++i) {
        const std::string argument(argv[i]);
        if (argument == "--generated" && i + 1 < argc) {
            std::string error;
            if (fuzzseeds::writeGeneratedSeeds(argv[++i], folder.string(), error) != 0) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
        } else if (!writeHexSeeds(argument, folder)) {
            return 1;
        }
    }
    return 0;
}
