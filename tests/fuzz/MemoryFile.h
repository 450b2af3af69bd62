// A file that lives only in memory, for fuzz targets whose reader takes a path: each input is
// written into it and read back through a path of /proc/self/fd, so that fuzzing leaves
// nothing in the temporary folder, however the process ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

class MemoryFile
{
public:
    MemoryFile();
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    // Replaces the content with `size` bytes at `data`. Returns false when the file could not
    // be created or written (the caller skips the input).
    [[nodiscard]] bool assign(const std::uint8_t* data, std::size_t size);

    // The path that opens the file, valid while the object lives.
    const std::string& path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
};

} // namespace fuzzsupport
