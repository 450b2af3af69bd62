// The read side of a file as the readers of whole databases and the copier need it: its size
// and positioned reads. platform::File is the real one; tests put a failing double in its
// place to reach the read-error paths.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

class ReadSource
{
public:
    virtual ~ReadSource() = default;

    // The size in bytes. Returns 0, or the system error's status.
    [[nodiscard]] virtual int size(std::uint64_t& bytes) const = 0;
    // Reads up to `count` bytes at `offset`; `got` is what arrived (short only at the end of
    // the source). Returns 0, or the system error's status.
    [[nodiscard]] virtual int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const = 0;

protected:
    ReadSource() = default;
    ReadSource(const ReadSource&) = default;
    ReadSource& operator=(const ReadSource&) = default;
};

} // namespace platform
