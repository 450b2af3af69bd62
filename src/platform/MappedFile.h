// A whole file mapped read-only into memory, for readers that visit most of a large file in
// small pieces (the pages of a database): a read is a look at memory, with no system call and
// no copy. The file is read as it was when mapped; if another program shortens it meanwhile,
// touching the lost part stops the process, so map only files nobody is writing (a backup's
// files, opened read-only).
#pragma once

#include "platform/ReadSource.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace platform {

class MappedFile : public ReadSource
{
public:
    MappedFile() = default;
    ~MappedFile() override;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    // Maps the regular file at `path` read-only when it holds at most `largest` bytes,
    // unmapping any file mapped before. Returns 0; kStatusInvalid for an empty file, a larger
    // one or one that is not a regular file; or the system error's status when it cannot be
    // opened or mapped.
    [[nodiscard]] int open(const std::string& path, std::uint64_t largest = UINT64_MAX);

    void close();

    // The mapped bytes; empty when nothing is mapped. Valid until close() or the next open().
    std::span<const std::uint8_t> bytes() const { return m_bytes; }

    // The mapped size. Returns 0, or kStatusInvalid when nothing is mapped.
    [[nodiscard]] int size(std::uint64_t& bytes) const override;
    // Copies up to `count` bytes at `offset`; `got` is short only at the end of the file.
    // Returns 0, or kStatusInvalid when nothing is mapped.
    [[nodiscard]] int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override;

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace platform
