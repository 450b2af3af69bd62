// Access to shared fixtures and whole-file helpers for tests.
#include "SharedFixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace testsupport {

std::string sharedFixturesFolder()
{
    const char* value = std::getenv("BRENVALE_SHARED_FIXTURES");
    if (value == nullptr || !std::filesystem::is_directory(value)) {
        return {};
    }
    return std::filesystem::canonical(value).string();
}

std::string sharedFixture(const std::string& relative)
{
    const std::string folder = sharedFixturesFolder();
    if (folder.empty()) {
        return {};
    }
    const std::string path = folder + "/" + relative;
    return std::filesystem::exists(path) ? path : std::string();
}

std::string readFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFileBytes(const std::string& path, const std::string& content)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path);
    }
}

} // namespace testsupport
