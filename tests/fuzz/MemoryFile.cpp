// An in-memory file reached through /proc/self/fd.
#include "MemoryFile.h"

#include <sys/mman.h>
#include <unistd.h>

namespace fuzzsupport {

MemoryFile::MemoryFile()
    : m_fd(::memfd_create("brenvale-fuzz", MFD_CLOEXEC))
{
    if (m_fd >= 0) {
        m_path = "/proc/self/fd/" + std::to_string(m_fd);
    }
}

MemoryFile::~MemoryFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool MemoryFile::assign(const std::uint8_t* data, std::size_t size)
{
    if (m_fd < 0 || ::ftruncate(m_fd, 0) != 0) {
        return false;
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t got =
            ::pwrite(m_fd, data + written, size - written, static_cast<off_t>(written));
        if (got <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace fuzzsupport
