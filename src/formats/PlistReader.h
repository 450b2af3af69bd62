// Property lists read from a backup through libplist, behind checks that libplist 2.2 lacks:
// a size cap, a nesting cap, and a cap on the tree a binary plist expands into (libplist
// copies an object once per reference, so shared references could multiply without bound).
// Values are read only through accessors whose preconditions no file can break: strings are
// taken with their length, so a NUL inside one is data, never a failed library assertion.
//
// Limits, which together bound the memory a parse takes to a multiple of the input:
//   largest file     the caller's `maxBytes` (at most 4 GiB, libplist's length type)
//   deepest tree     kMaxPlistDepth levels of arrays and dictionaries
//   most nodes       kMaxPlistNodes once shared references are expanded (binary form)
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <plist/plist.h>
#include <span>
#include <string>

namespace platform {
class Diagnostics;
} // namespace platform

namespace formats {

// A parsed property list, freed when the object goes.
class Plist
{
public:
    Plist() = default;
    ~Plist();
    Plist(Plist&& other) noexcept;
    Plist& operator=(Plist&& other) noexcept;
    Plist(const Plist&) = delete;
    Plist& operator=(const Plist&) = delete;

    plist_t root() const { return m_root; }

    void reset(plist_t root);

private:
    plist_t m_root = nullptr;
};

// The deepest nesting of containers accepted; real backup plists nest a handful of levels.
inline constexpr std::size_t kMaxPlistDepth = 64;
// The most nodes a binary plist may expand into; an MBFile archive has a few dozen.
inline constexpr std::uint64_t kMaxPlistNodes = 1'000'000;

// Checks a binary plist ("bplist0?") before it is handed to libplist: trailer fields and every
// offset and reference in range, container counts within the file, no reference cycles, at
// most kMaxPlistDepth levels and kMaxPlistNodes nodes once references are expanded. Returns
// 0, or -1001 (corrupt), -1002 (cycle), -1003 (too deep); each failure is also recorded in
// `diagnostics` when it is given.
[[nodiscard]] int checkBinaryPlist(std::span<const std::uint8_t> bytes,
                                   platform::Diagnostics* diagnostics = nullptr);

// Parses `bytes` (binary or XML) into `out`. Returns 0; 87 when `bytes` is larger than
// `maxBytes` or empty; the status of checkBinaryPlist; -1003 when an XML plist nests deeper
// than kMaxPlistDepth; -1001 when libplist rejects it.
// Failures of the content are recorded in `diagnostics` when it is given.
[[nodiscard]] int parsePlist(std::span<const std::uint8_t> bytes,
                             std::size_t maxBytes,
                             Plist& out,
                             platform::Diagnostics* diagnostics = nullptr);

// Typed access that tolerates a missing or mistyped node: each returns nothing (or null) when
// `node` is not of the expected type. A string keeps every byte libplist holds for it, a NUL
// included; callers that need text without one check for it.
plist_t dictItem(plist_t dict, const char* key);
std::optional<std::span<const std::uint8_t>> dataValue(plist_t node);
std::optional<std::uint64_t> uintValue(plist_t node);
std::optional<std::uint64_t> uidValue(plist_t node);
std::optional<bool> boolValue(plist_t node);
std::optional<std::string> stringValue(plist_t node);
// A date as seconds since 2001-01-01 00:00:00 UTC.
std::optional<std::int64_t> dateSeconds(plist_t node);

} // namespace formats
