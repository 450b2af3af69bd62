// A set of 64-bit row fingerprints kept in one flat table (open addressing, linear probing), as
// the reader's check for stale copies of rows needs it: no allocation per entry, and a lookup
// touches one or two cache lines where a node-based set chases a pointer per entry and a sorted
// array a cache line per halving.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sqlitecarve {

class FingerprintSet
{
public:
    // Adds `fingerprint`. Returns true when it was not in the set yet.
    bool insert(std::uint64_t fingerprint);

    // Adds every entry of `fingerprints`, fetching the slots of later entries while earlier
    // ones are placed: once the table outgrows the processor's caches, this is several times
    // faster than inserting one after another, whose every step waits for memory.
    void insertAll(std::span<const std::uint64_t> fingerprints);

private:
    // The slot where the search for `fingerprint` starts.
    std::size_t home(std::uint64_t fingerprint) const;
    // Doubles the table (or makes the first one) and puts every entry back.
    void grow();
    // Grows the table until `count` entries fill at most three quarters of it.
    void reserve(std::size_t count);

    // 0 marks an empty slot; the fingerprint 0 itself is kept in m_hasZero.
    std::vector<std::uint64_t> m_slots;
    int m_shift = 64;
    std::size_t m_count = 0;
    bool m_hasZero = false;
};

} // namespace sqlitecarve
