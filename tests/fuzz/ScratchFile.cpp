// A reused file in a private temporary folder.
#include "ScratchFile.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzzsupport {

ScratchFile::ScratchFile(const std::string& name)
{
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "brenvale-fuzz-XXXXXX").string();
    if (!error && ::mkdtemp(pattern.data()) != nullptr) {
        m_folder = pattern;
        m_path = m_folder + "/" + name;
    }
}

ScratchFile::~ScratchFile()
{
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

bool ScratchFile::assign(const std::uint8_t* data, std::size_t size)
{
    if (m_path.empty()) {
        return false;
    }
    std::FILE* file = std::fopen(m_path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace fuzzsupport
