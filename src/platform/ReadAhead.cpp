// Block-sized reads ahead of small positioned reads.
#include "platform/ReadAhead.h"

#include "platform/Status.h"

#include <cstring>

namespace platform {

void ReadAhead::setSource(const ReadSource* inner)
{
    m_inner = inner;
    m_blocks.clear();
}

int ReadAhead::size(std::uint64_t& bytes) const
{
    return m_inner == nullptr ? kStatusInvalid : m_inner->size(bytes);
}

const ReadAhead::Block* ReadAhead::blockAt(std::uint64_t offset) const
{
    const std::uint64_t start = offset - offset % kBlockBytes;
    if (m_blocks.empty()) {
        m_blocks.resize(kBlockSlots);
    }
    Block& block = m_blocks[(start / kBlockBytes) % kBlockSlots];
    if (block.valid && block.start == start) {
        return &block;
    }
    block.valid = false;
    block.start = start;
    block.bytes.resize(kBlockBytes);
    std::size_t arrived = 0;
    if (m_inner->readAt(start, block.bytes.data(), kBlockBytes, arrived) != kStatusOk) {
        block.bytes.clear();
        block.bytes.shrink_to_fit();
        return nullptr;
    }
    block.bytes.resize(arrived);
    block.valid = true;
    return &block;
}

int ReadAhead::readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const
{
    got = 0;
    if (m_inner == nullptr) {
        return kStatusInvalid;
    }
    if (count > kBlockBytes / 4 || offset % kBlockBytes + count > kBlockBytes) {
        return m_inner->readAt(offset, buffer, count, got);
    }
    const Block* block = blockAt(offset);
    // A block that cannot be read may hold a bad spot away from what was asked: read just that.
    if (block == nullptr) {
        return m_inner->readAt(offset, buffer, count, got);
    }
    const std::uint64_t at = offset - block->start;
    const std::size_t available = at < block->bytes.size() ? block->bytes.size() - at : 0;
    got = count < available ? count : available;
    std::memcpy(buffer, block->bytes.data() + at, got);
    return kStatusOk;
}

} // namespace platform
