// Block-sized reads ahead of small positioned reads.
#include "platform/ReadAhead.h"

#include "platform/Status.h"

#include <cstring>

namespace platform {

void ReadAhead::setSource(const ReadSource* inner)
{
    m_inner = inner;
    m_blockValid = false;
}

int ReadAhead::size(std::uint64_t& bytes) const
{
    return m_inner == nullptr ? kStatusInvalid : m_inner->size(bytes);
}

int ReadAhead::loadBlock(std::uint64_t offset) const
{
    m_blockValid = false;
    m_blockStart = offset - offset % kBlockBytes;
    m_block.resize(kBlockBytes);
    std::size_t arrived = 0;
    const int status = m_inner->readAt(m_blockStart, m_block.data(), kBlockBytes, arrived);
    if (status != kStatusOk) {
        return status;
    }
    m_block.resize(arrived);
    m_blockValid = true;
    return kStatusOk;
}

int ReadAhead::readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const
{
    got = 0;
    if (m_inner == nullptr) {
        return kStatusInvalid;
    }
    const bool inBlock =
        m_blockValid && offset >= m_blockStart && offset - m_blockStart + count <= kBlockBytes;
    const bool fitsABlock = offset % kBlockBytes + count <= kBlockBytes;
    if (!inBlock && (count > kBlockBytes / 4 || !fitsABlock)) {
        return m_inner->readAt(offset, buffer, count, got);
    }
    // A block that cannot be read may hold a bad spot away from what was asked: read just that.
    if (!inBlock && loadBlock(offset) != kStatusOk) {
        return m_inner->readAt(offset, buffer, count, got);
    }
    const std::uint64_t at = offset - m_blockStart;
    const std::size_t available = at < m_block.size() ? m_block.size() - at : 0;
    got = count < available ? count : available;
    std::memcpy(buffer, m_block.data() + at, got);
    return kStatusOk;
}

} // namespace platform
