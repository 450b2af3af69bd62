// Property lists read from a backup through libplist, behind checks that libplist 2.2 lacks:
// a size cap, a nesting cap, and a cap on the tree a binary plist expands into (libplist
// copies an object once per reference, so shared references could multiply without bound).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <plist/plist.h>
#include <span>
#include <string>

namespace decrypt {

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

inline constexpr std::size_t kMaxPlistDepth = 64;
inline constexpr std::uint64_t kMaxPlistNodes = 1'000'000;

// Checks a binary plist ("bplist0?") before it is handed to libplist: trailer fields and every
// offset and reference in range, container counts within the file, no reference cycles, at
// most kMaxPlistDepth levels and kMaxPlistNodes nodes once references are expanded. Returns
// 0, or -1001 (corrupt), -1002 (cycle), -1003 (too deep).
[[nodiscard]] int checkBinaryPlist(std::span<const std::uint8_t> bytes);

// Parses `bytes` (binary or XML) into `out`. Returns 0; 87 when `bytes` is larger than
// `maxBytes` or empty; the status of checkBinaryPlist; -1003 when an XML plist nests deeper
// than kMaxPlistDepth; -1001 when libplist rejects it.
[[nodiscard]] int parsePlist(std::span<const std::uint8_t> bytes, std::size_t maxBytes, Plist& out);

// Typed access that tolerates a missing or mistyped node: each returns nothing (or null) when
// `node` is not of the expected type.
plist_t dictItem(plist_t dict, const char* key);
std::optional<std::span<const std::uint8_t>> dataValue(plist_t node);
std::optional<std::uint64_t> uintValue(plist_t node);
std::optional<std::uint64_t> uidValue(plist_t node);
std::optional<bool> boolValue(plist_t node);
std::optional<std::string> stringValue(plist_t node);

} // namespace decrypt
