// A read source over bytes in memory that breaks after the first `goodBytes`: reads reaching
// past them fail with an I/O error, or arrive short, as a failing disk or a file truncated
// while it is read would make them. It reports the size of all the bytes.
#pragma once

#include "platform/ReadSource.h"

#include <cstdint>
#include <string>

namespace testsupport {

class FailingFile : public platform::ReadSource
{
public:
    enum class Failure
    {
        // The read returns EIO and nothing.
        Error,
        // The read returns 0 with only the bytes before the break.
        ShortRead
    };

    // Reads `bytes`, breaking as `failure` says after the first `goodBytes`.
    FailingFile(std::string bytes, std::uint64_t goodBytes, Failure failure)
        : m_bytes(std::move(bytes))
        , m_goodBytes(goodBytes)
        , m_failure(failure)
    {}

    // Returns 0 with the size of all the bytes.
    [[nodiscard]] int size(std::uint64_t& bytes) const override;
    // Returns 0 for reads before the break; EIO, or 0 with a short count, for reads past it.
    [[nodiscard]] int
    readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const override;

private:
    std::string m_bytes;
    std::uint64_t m_goodBytes;
    Failure m_failure;
};

} // namespace testsupport
