// The flat fingerprint set: a power-of-two table kept at most three quarters full, where
// linear probing still finds an entry or a gap within a cache line or two.
#include "sqlitecarve/FingerprintSet.h"

namespace sqlitecarve {

namespace {

// Slots of the first table.
constexpr int kFirstBits = 10;
// How many entries ahead insertAll fetches slots: enough to cover the time memory takes.
constexpr std::size_t kFetchAhead = 16;

} // namespace

std::size_t FingerprintSet::home(std::uint64_t fingerprint) const
{
    // The high bits of a multiplicative hash, so that fingerprints alike in their low bits
    // still spread over the table.
    return static_cast<std::size_t>((fingerprint * 0x9e3779b97f4a7c15ULL) >> m_shift);
}

void FingerprintSet::grow()
{
    std::vector<std::uint64_t> old;
    old.swap(m_slots);
    const int bits = old.empty() ? kFirstBits : 64 - m_shift + 1;
    m_slots.assign(std::size_t{1} << bits, 0);
    m_shift = 64 - bits;
    const std::size_t mask = m_slots.size() - 1;
    for (const std::uint64_t fingerprint : old) {
        if (fingerprint != 0) {
            std::size_t slot = home(fingerprint);
            while (m_slots[slot] != 0) {
                slot = (slot + 1) & mask;
            }
            m_slots[slot] = fingerprint;
        }
    }
}

void FingerprintSet::reserve(std::size_t count)
{
    while (4 * count > 3 * m_slots.size()) {
        grow();
    }
}

bool FingerprintSet::insert(std::uint64_t fingerprint)
{
    if (fingerprint == 0) {
        const bool added = !m_hasZero;
        m_hasZero = true;
        m_count += added ? 1 : 0;
        return added;
    }
    reserve(m_count + 1);
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = home(fingerprint);
    while (m_slots[slot] != 0) {
        if (m_slots[slot] == fingerprint) {
            return false;
        }
        slot = (slot + 1) & mask;
    }
    m_slots[slot] = fingerprint;
    ++m_count;
    return true;
}

void FingerprintSet::insertAll(std::span<const std::uint64_t> fingerprints)
{
    reserve(m_count + fingerprints.size());
    for (std::size_t i = 0; i < fingerprints.size(); ++i) {
        if (i + kFetchAhead < fingerprints.size()) {
            __builtin_prefetch(m_slots.data() + home(fingerprints[i + kFetchAhead]));
        }
        insert(fingerprints[i]);
    }
}

} // namespace sqlitecarve
