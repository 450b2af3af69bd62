// A file in a private folder of the temporary folder, for fuzz targets whose reader takes a
// path and resolves it itself (the SQLite library follows /proc/self/fd links to a name that
// does not open, so MemoryFile will not do). One file is rewritten for every input, and the
// folder is removed when the object goes: at the normal end of the process when it is static
// (a process that dies on a finding leaves it, holding the input that killed it).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace fuzzsupport {

class ScratchFile
{
public:
    // Creates the private folder; `name` is the file's name inside it.
    explicit ScratchFile(const std::string& name);
    ~ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    // Replaces the file with `size` bytes at `data`. Returns false when the folder could not
    // be created or the file could not be written (the caller skips the input).
    [[nodiscard]] bool assign(const std::uint8_t* data, std::size_t size);

    const std::string& path() const { return m_path; }

    // The private folder that holds the file.
    const std::string& folder() const { return m_folder; }

private:
    std::string m_folder;
    std::string m_path;
};

} // namespace fuzzsupport
