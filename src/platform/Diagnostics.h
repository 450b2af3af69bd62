// An optional sink for the details of a failure: where in a file the fault lies, where in our
// code it was noticed, and a message. Parsers call `corruptAt` at the failure site, which gives
// one place to set a breakpoint and one line to log.
#pragma once

#include <cstdint>
#include <source_location>
#include <string>
#include <vector>

namespace platform {

// One fault: the 1-based page it lies on (0 when no page applies), the byte offset in that
// page (or in the file when no page applies), what is wrong, and where in our code it was seen.
struct Diagnostic
{
    std::uint64_t page = 0;
    std::uint64_t offset = 0;
    std::string message;
    std::string function;
    unsigned line = 0;
};

// The faults recorded during one run, in the order they were found.
class Diagnostics
{
public:
    void add(Diagnostic entry) { m_entries.push_back(std::move(entry)); }

    const std::vector<Diagnostic>& entries() const { return m_entries; }

    void clear() { m_entries.clear(); }

private:
    std::vector<Diagnostic> m_entries;
};

// Records a fault found at `page` (0 when no page applies) in `sink`, which may be null, and
// returns `status` so that callers can write `return failAt(...)`.
int failAt(Diagnostics* sink,
           int status,
           std::uint64_t page,
           const char* message,
           std::source_location where = std::source_location::current());

// failAt for a fault at byte `offset` of `page`.
int failAt(Diagnostics* sink,
           int status,
           std::uint64_t page,
           std::uint64_t offset,
           const char* message,
           std::source_location where = std::source_location::current());

// failAt with the corrupt status.
int corruptAt(Diagnostics* sink,
              std::uint64_t page,
              const char* message,
              std::source_location where = std::source_location::current());

// corruptAt for a fault at byte `offset` of `page`.
int corruptAt(Diagnostics* sink,
              std::uint64_t page,
              std::uint64_t offset,
              const char* message,
              std::source_location where = std::source_location::current());

} // namespace platform
