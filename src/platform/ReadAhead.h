// Positioned reads through a block of the file kept in memory: a run of small reads that stay
// near each other (the pages of one b-tree, read in file order) costs one system call per
// block instead of one per read. Larger reads and reads across a block's end go straight to
// the file. Not for use by several threads at once.
#pragma once

#include "platform/ReadSource.h"

#include <vector>

namespace platform {

class ReadAhead : public ReadSource
{
public:
    // The size of a block read ahead.
    static constexpr std::size_t kBlockBytes = std::size_t{256} << 10;

    // Reads from `inner` from now on (null: nothing), forgetting the block kept.
    void setSource(const ReadSource* inner);

    // The inner source's size; kStatusInvalid without a source.
    [[nodiscard]] int size(std::uint64_t& bytes) const override;
    // As the inner source's readAt: when the block around the read cannot be read, the read
    // goes to the file alone, so a bad spot fails only the reads that touch it.
    [[nodiscard]] int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override;

private:
    // Reads the block holding `offset` into m_block.
    [[nodiscard]] int loadBlock(std::uint64_t offset) const;

    const ReadSource* m_inner = nullptr;
    mutable std::vector<std::uint8_t> m_block;
    mutable std::uint64_t m_blockStart = 0;
    mutable bool m_blockValid = false;
};

} // namespace platform
