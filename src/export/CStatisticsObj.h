// The selection statistics of a finished scan: for every found record whether it is ticked,
// deleted and filtered out, grouped by category (and by app for app photos and videos), with
// counters per group and for the whole scan and the total and ticked sizes. The recovery run
// and the print page read it to know what to save.
#pragma once

#include "extract/Records.h"
#include "extract/RecoveryCategory.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

namespace exporting {

// The record an entry stands for; monostate for a group. The pointers point into the scan
// results the statistics were filled from, which must outlive them.
using RecordRef = std::variant<std::monostate,
                               const extract::MediaItem*,
                               const extract::AppMediaItem*,
                               const extract::ConversationSummary*,
                               const extract::AttachmentItem*,
                               const extract::ContactRecord*,
                               const extract::CallRecord*,
                               const extract::NoteRecord*,
                               const extract::WhatsAppMessage*,
                               const extract::ReminderRecord*,
                               const extract::CalendarEventRecord*,
                               const extract::SafariBookmarkRecord*,
                               const extract::SafariHistoryRecord*>;

// Counters of one group, or of the whole scan. Each change of a record is applied to its
// group's block and every block above it.
struct CounterBlock
{
    std::int64_t count = 0;
    std::int64_t ticked = 0;
    std::int64_t filtered = 0;
    // Records both ticked and filtered out.
    std::int64_t tickedFiltered = 0;
    // Index of the parent block; -1 for the whole-scan block.
    std::int64_t parent = -1;
};

// The selection state of one record or group.
struct SelectionEntry
{
    // The entry's identity: the record's address, or the address of the group's list.
    const void* key = nullptr;
    bool group = false;
    bool ticked = false;
    bool deleted = false;
    // Hidden by the switch that shows deleted records only.
    bool filtered = false;
    extract::RecoveryCategory category = extract::RecoveryCategory::CameraRoll;
    // Bytes counted for the record: its file size, at least 1024.
    std::uint64_t size = 0;
    // For a record, the block of its group; for a group, its own block.
    std::size_t block = 0;
    // Entries directly below a group, in list order.
    std::vector<std::size_t> children;
    RecordRef record;
};

class CStatisticsObj
{
public:
    // Least size counted for any record.
    static constexpr std::uint64_t kMinRecordSize = 1024;

    CStatisticsObj();

    // Forgets every entry; the counters and sizes return to 0.
    void clear();

    // Enters the records of `results` for the `chosen` categories, every record ticked: a
    // group per category, a group per app below App Photos and App Videos, a record per
    // media file, attachment, contact, call, note, reminder, event, Safari bookmark and history
    // page, per conversation (its summary) and per chat (its first message, deleted when any of
    // its messages is). Clears first.
    void fill(const extract::ScanResults& results, extract::CategorySet chosen);

    // Set or clear the ticked flag of the record or group `key` (a group: everything below
    // it), keeping every counter and the ticked size right. Return 0, or 87 for an unknown key.
    [[nodiscard]] int tick(const void* key);
    [[nodiscard]] int untick(const void* key);
    // Sets or clears the filtered-out flag of the record `key`. Returns 0, or 87 for an
    // unknown key or a group.
    [[nodiscard]] int setFiltered(const void* key, bool filtered);

    // The entry of `key`, or null.
    const SelectionEntry* find(const void* key) const;

    // Every entry in the order filled: each category's group, then its apps and records.
    const std::vector<SelectionEntry>& entries() const { return m_entries; }

    // The key of the group entry of `category`; null when it was not filled.
    const void* categoryKey(extract::RecoveryCategory category) const;
    // The counter block of the group `key` or of the group of record `key`; null when unknown.
    const CounterBlock* blockOf(const void* key) const;

    const CounterBlock& wholeScan() const { return m_blocks.front(); }

    std::uint64_t totalSize() const { return m_totalSize; }

    // Size of the records that are ticked and not filtered out.
    std::uint64_t tickedSize() const { return m_tickedSize; }

    // Ticked records not filtered out, in the whole scan (never negative).
    std::int64_t selectedCount() const;

private:
    std::size_t
    addGroup(const void* key, extract::RecoveryCategory category, std::int64_t parentBlock);
    void addRecord(
        std::size_t group, RecordRef record, const void* key, bool deleted, std::uint64_t size);
    void setRecordTicked(std::size_t index, bool ticked);
    void setGroupTicked(std::size_t index, bool ticked);
    // Keeps the ticked flag of each group above block `block` equal to "all below ticked".
    void refreshGroupFlags(std::size_t block);

    std::vector<SelectionEntry> m_entries;
    std::unordered_map<const void*, std::size_t> m_index;
    std::vector<CounterBlock> m_blocks;
    // The group entry that owns each block (none for the whole-scan block).
    std::vector<std::size_t> m_blockGroup;
    std::array<const void*, extract::kCategoryCount> m_categoryKeys{};
    std::uint64_t m_totalSize = 0;
    std::uint64_t m_tickedSize = 0;
};

// A byte count in binary units: "%.2f TB" from 2^40, "%d Bytes" when negative, "%.2f GB" from
// 2^30, "%.2f MB" from 2^20, "%.2f KB" from 1024, else "%d Bytes".
std::string formatSize(std::int64_t bytes);

} // namespace exporting
