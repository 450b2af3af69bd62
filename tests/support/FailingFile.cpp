// A read source that breaks part-way.
#include "support/FailingFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace testsupport {

int FailingFile::size(std::uint64_t& bytes) const
{
    bytes = m_bytes.size();
    return 0;
}

int FailingFile::readAt(std::uint64_t offset,
                        void* buffer,
                        std::size_t count,
                        std::size_t& got) const
{
    got = 0;
    const std::uint64_t end = std::min<std::uint64_t>(m_bytes.size(), offset + count);
    if (end > m_goodBytes && m_failure == Failure::Error) {
        return EIO;
    }
    const std::uint64_t readable = std::min(end, m_goodBytes);
    if (offset < readable) {
        got = static_cast<std::size_t>(readable - offset);
        std::memcpy(buffer, m_bytes.data() + offset, got);
    }
    return 0;
}

} // namespace testsupport
