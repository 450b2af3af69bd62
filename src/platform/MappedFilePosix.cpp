// POSIX implementation of read-only file mappings.
#include "platform/MappedFile.h"
#include "platform/Status.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

MappedFile::~MappedFile()
{
    close();
}

void MappedFile::close()
{
    if (!m_bytes.empty()) {
        ::munmap(const_cast<std::uint8_t*>(m_bytes.data()), m_bytes.size());
        m_bytes = {};
    }
}

int MappedFile::open(const std::string& path, std::uint64_t largest)
{
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return statusFromErrno(errno);
    }

    struct stat info
    {};

    int status = kStatusOk;
    if (::fstat(fd, &info) != 0) {
        status = statusFromErrno(errno);
    } else if (!S_ISREG(info.st_mode) || info.st_size <= 0 ||
               static_cast<std::uint64_t>(info.st_size) > largest) {
        status = kStatusInvalid;
    } else {
        const auto length = static_cast<std::size_t>(info.st_size);
        void* address = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
        if (address == MAP_FAILED) {
            status = statusFromErrno(errno);
        } else {
            m_bytes = {static_cast<const std::uint8_t*>(address), length};
        }
    }
    // The mapping keeps the file; the descriptor is not needed any more.
    ::close(fd);
    return status;
}

int MappedFile::size(std::uint64_t& bytes) const
{
    if (m_bytes.empty()) {
        return kStatusInvalid;
    }
    bytes = m_bytes.size();
    return kStatusOk;
}

int MappedFile::readAt(std::uint64_t offset,
                       void* buffer,
                       std::size_t count,
                       std::size_t& got) const
{
    got = 0;
    if (m_bytes.empty()) {
        return kStatusInvalid;
    }
    if (offset < m_bytes.size()) {
        got = static_cast<std::size_t>(std::min<std::uint64_t>(count, m_bytes.size() - offset));
        std::memcpy(buffer, m_bytes.data() + offset, got);
    }
    return kStatusOk;
}

} // namespace platform
