// Positioned reads through blocks of the file kept in memory: a run of small reads that stay
// near each other (the pages of one b-tree, read in file order) costs one system call per
// block instead of one per read, and a file read again (a second pass over the same pages)
// is served from memory while it fits the blocks kept. Larger reads and reads across a block's
// end go straight to the file. Not for use by several threads at once.
//
// Memory: at most kBlockSlots blocks of kBlockBytes (64 MiB), and never more than the file.
#pragma once

#include "platform/ReadSource.h"

#include <vector>

namespace platform {

class ReadAhead : public ReadSource
{
public:
    // The size of a block read ahead.
    static constexpr std::size_t kBlockBytes = std::size_t{256} << 10;
    // How many blocks are kept; block N lives in slot N modulo this.
    static constexpr std::size_t kBlockSlots = 256;
    // The most memory the blocks take.
    static constexpr std::uint64_t kBudgetBytes = std::uint64_t{kBlockBytes} * kBlockSlots;

    // Reads from `inner` from now on (null: nothing), forgetting the blocks kept.
    void setSource(const ReadSource* inner);

    // The inner source's size; kStatusInvalid without a source.
    [[nodiscard]] int size(std::uint64_t& bytes) const override;
    // As the inner source's readAt: when the block around the read cannot be read, the read
    // goes to the file alone, so a bad spot fails only the reads that touch it.
    [[nodiscard]] int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override;

private:
    // One block of the file as read; `valid` is false until a read filled it.
    struct Block
    {
        std::uint64_t start = 0;
        std::vector<std::uint8_t> bytes;
        bool valid = false;
    };

    // The slot of the block holding `offset`, filled from the file when it holds another block;
    // null when that block cannot be read.
    const Block* blockAt(std::uint64_t offset) const;

    const ReadSource* m_inner = nullptr;
    mutable std::vector<Block> m_blocks;
};

} // namespace platform
