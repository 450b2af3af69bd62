// Selection state and counters of the found records.
#include "export/CStatisticsObj.h"

#include "platform/Status.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

namespace exporting {

namespace {

using extract::RecoveryCategory;

std::uint64_t countedSize(std::uint64_t size)
{
    return std::max(size, CStatisticsObj::kMinRecordSize);
}

} // namespace

CStatisticsObj::CStatisticsObj()
{
    clear();
}

void CStatisticsObj::clear()
{
    m_entries.clear();
    m_index.clear();
    m_blocks.assign(1, CounterBlock{});
    m_blockGroup.assign(1, 0);
    m_categoryKeys.fill(nullptr);
    m_totalSize = 0;
    m_tickedSize = 0;
}

std::size_t
CStatisticsObj::addGroup(const void* key, RecoveryCategory category, std::int64_t parentBlock)
{
    CounterBlock block;
    block.parent = parentBlock;
    m_blocks.push_back(block);
    SelectionEntry entry;
    entry.key = key;
    entry.group = true;
    entry.ticked = true;
    entry.category = category;
    entry.block = m_blocks.size() - 1;
    m_entries.push_back(std::move(entry));
    const std::size_t index = m_entries.size() - 1;
    m_blockGroup.push_back(index);
    m_index.emplace(key, index);
    return index;
}

void CStatisticsObj::addRecord(
    std::size_t group, RecordRef record, const void* key, bool deleted, std::uint64_t size)
{
    SelectionEntry entry;
    entry.key = key;
    entry.ticked = true;
    entry.deleted = deleted;
    entry.category = m_entries[group].category;
    entry.size = countedSize(size);
    entry.block = m_entries[group].block;
    entry.record = record;
    m_entries.push_back(std::move(entry));
    const std::size_t index = m_entries.size() - 1;
    m_entries[group].children.push_back(index);
    m_index.emplace(key, index);
    for (std::int64_t b = static_cast<std::int64_t>(m_entries[index].block); b >= 0;
         b = m_blocks[static_cast<std::size_t>(b)].parent) {
        ++m_blocks[static_cast<std::size_t>(b)].count;
        ++m_blocks[static_cast<std::size_t>(b)].ticked;
    }
    m_totalSize += m_entries[index].size;
    m_tickedSize += m_entries[index].size;
}

void CStatisticsObj::fill(const extract::ScanResults& results, extract::CategorySet chosen)
{
    clear();
    const auto categoryGroup = [&](RecoveryCategory category, const void* key) {
        const std::size_t group = addGroup(key, category, 0);
        m_categoryKeys[static_cast<std::size_t>(category)] = key;
        return group;
    };
    const auto media = [&](RecoveryCategory category, const std::vector<extract::MediaItem>& list) {
        const std::size_t group = categoryGroup(category, &list);
        for (const auto& item : list) {
            // Camera-roll files in the device's "Recently Deleted" album count as deleted.
            const bool deleted = item.photo != nullptr && item.photo->deleted != 0;
            addRecord(group, &item, &item, deleted, item.size);
        }
    };
    const auto appMedia = [&](RecoveryCategory category, const extract::AppMediaGroups& apps) {
        const std::size_t group = categoryGroup(category, &apps);
        for (const auto& [app, items] : apps) {
            const std::size_t appGroup =
                addGroup(&items, category, static_cast<std::int64_t>(m_entries[group].block));
            m_entries[group].children.push_back(appGroup);
            for (const auto& item : items) {
                addRecord(appGroup, &item, &item, false, item.size);
            }
        }
    };
    const auto rows = [&](RecoveryCategory category, const auto& list) {
        const std::size_t group = categoryGroup(category, &list);
        for (const auto& row : list) {
            addRecord(group, &row, &row, row.deleted != 0, 0);
        }
    };

    for (const auto& info : extract::categoryTable()) {
        if (!chosen.has(info.category)) {
            continue;
        }
        switch (info.category) {
        case RecoveryCategory::CameraRoll:
            media(info.category, results.cameraRoll);
            break;
        case RecoveryCategory::PhotoStream:
            media(info.category, results.photoStream);
            break;
        case RecoveryCategory::AppPhotos:
            appMedia(info.category, results.appPhotos);
            break;
        case RecoveryCategory::AppVideos:
            appMedia(info.category, results.appVideos);
            break;
        case RecoveryCategory::Messages:
            rows(info.category, results.conversations);
            break;
        case RecoveryCategory::MessageAttachments: {
            const std::size_t group = categoryGroup(info.category, &results.messageAttachments);
            for (const auto& item : results.messageAttachments) {
                addRecord(group, &item, &item, false, item.size);
            }
            break;
        }
        case RecoveryCategory::Contacts:
            rows(info.category, results.contacts);
            break;
        case RecoveryCategory::CallHistory:
            rows(info.category, results.calls);
            break;
        case RecoveryCategory::Notes:
            rows(info.category, results.notes);
            break;
        case RecoveryCategory::WhatsApp: {
            // Chats with deleted messages first, otherwise in the order of the chat map.
            const std::size_t group = categoryGroup(info.category, &results.whatsApp);
            for (const bool deletedPass : {true, false}) {
                for (const auto& [id, chat] : results.whatsApp) {
                    if (chat.empty()) {
                        continue;
                    }
                    const bool deleted = std::any_of(
                        chat.begin(), chat.end(), [](const auto& m) { return m.deleted != 0; });
                    if (deleted == deletedPass) {
                        addRecord(group, &chat.front(), &chat.front(), deleted, 0);
                    }
                }
            }
            break;
        }
        case RecoveryCategory::WhatsAppAttachments:
            media(info.category, results.whatsAppAttachments);
            break;
        case RecoveryCategory::SafariBookmark:
            rows(info.category, results.safariBookmarks);
            break;
        case RecoveryCategory::SafariHistory:
            rows(info.category, results.safariHistory);
            break;
        case RecoveryCategory::Reminder:
            rows(info.category, results.reminders);
            break;
        case RecoveryCategory::Calendar:
            rows(info.category, results.calendar);
            break;
        }
    }
}

void CStatisticsObj::setRecordTicked(std::size_t index, bool ticked)
{
    SelectionEntry& entry = m_entries[index];
    if (entry.ticked == ticked) {
        return;
    }
    entry.ticked = ticked;
    const std::int64_t step = ticked ? 1 : -1;
    for (std::int64_t b = static_cast<std::int64_t>(entry.block); b >= 0;
         b = m_blocks[static_cast<std::size_t>(b)].parent) {
        CounterBlock& block = m_blocks[static_cast<std::size_t>(b)];
        block.ticked += step;
        if (entry.filtered) {
            block.tickedFiltered += step;
        }
    }
    if (!entry.filtered) {
        m_tickedSize = ticked ? m_tickedSize + entry.size : m_tickedSize - entry.size;
    }
}

void CStatisticsObj::setGroupTicked(std::size_t index, bool ticked)
{
    m_entries[index].ticked = ticked;
    const std::vector<std::size_t> children = m_entries[index].children;
    for (const std::size_t child : children) {
        if (m_entries[child].group) {
            setGroupTicked(child, ticked);
        } else {
            setRecordTicked(child, ticked);
        }
    }
}

void CStatisticsObj::refreshGroupFlags(std::size_t block)
{
    for (std::int64_t b = static_cast<std::int64_t>(block); b > 0;
         b = m_blocks[static_cast<std::size_t>(b)].parent) {
        const CounterBlock& counters = m_blocks[static_cast<std::size_t>(b)];
        m_entries[m_blockGroup[static_cast<std::size_t>(b)]].ticked =
            counters.ticked == counters.count;
    }
}

int CStatisticsObj::tick(const void* key)
{
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        return platform::kStatusInvalid;
    }
    const std::size_t index = found->second;
    if (m_entries[index].group) {
        setGroupTicked(index, true);
    } else {
        setRecordTicked(index, true);
    }
    refreshGroupFlags(m_entries[index].block);
    return 0;
}

int CStatisticsObj::untick(const void* key)
{
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        return platform::kStatusInvalid;
    }
    const std::size_t index = found->second;
    if (m_entries[index].group) {
        setGroupTicked(index, false);
    } else {
        setRecordTicked(index, false);
    }
    refreshGroupFlags(m_entries[index].block);
    return 0;
}

int CStatisticsObj::setFiltered(const void* key, bool filtered)
{
    const auto found = m_index.find(key);
    if (found == m_index.end() || m_entries[found->second].group) {
        return platform::kStatusInvalid;
    }
    SelectionEntry& entry = m_entries[found->second];
    if (entry.filtered == filtered) {
        return 0;
    }
    entry.filtered = filtered;
    const std::int64_t step = filtered ? 1 : -1;
    for (std::int64_t b = static_cast<std::int64_t>(entry.block); b >= 0;
         b = m_blocks[static_cast<std::size_t>(b)].parent) {
        CounterBlock& block = m_blocks[static_cast<std::size_t>(b)];
        block.filtered += step;
        if (entry.ticked) {
            block.tickedFiltered += step;
        }
    }
    if (entry.ticked) {
        m_tickedSize = filtered ? m_tickedSize - entry.size : m_tickedSize + entry.size;
    }
    return 0;
}

const SelectionEntry* CStatisticsObj::find(const void* key) const
{
    const auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : &m_entries[found->second];
}

const void* CStatisticsObj::categoryKey(extract::RecoveryCategory category) const
{
    return m_categoryKeys[static_cast<std::size_t>(category)];
}

const CounterBlock* CStatisticsObj::blockOf(const void* key) const
{
    const SelectionEntry* entry = find(key);
    return entry == nullptr ? nullptr : &m_blocks[entry->block];
}

std::int64_t CStatisticsObj::selectedCount() const
{
    return std::max<std::int64_t>(0, wholeScan().ticked - wholeScan().tickedFiltered);
}

std::string formatSize(std::int64_t bytes)
{
    constexpr double kKiB = 1024.0;
    constexpr std::int64_t kMiB = std::int64_t{1} << 20;
    constexpr std::int64_t kGiB = std::int64_t{1} << 30;
    constexpr std::int64_t kTiB = std::int64_t{1} << 40;
    char text[64];
    const double value = static_cast<double>(bytes);
    if (bytes >= kTiB) {
        std::snprintf(text, sizeof text, "%.2f TB", value / static_cast<double>(kTiB));
    } else if (bytes < 0) {
        std::snprintf(text, sizeof text, "%" PRId64 " Bytes", bytes);
    } else if (bytes >= kGiB) {
        std::snprintf(text, sizeof text, "%.2f GB", value / static_cast<double>(kGiB));
    } else if (bytes >= kMiB) {
        std::snprintf(text, sizeof text, "%.2f MB", value / static_cast<double>(kMiB));
    } else if (bytes >= 1024) {
        std::snprintf(text, sizeof text, "%.2f KB", value / kKiB);
    } else {
        std::snprintf(text, sizeof text, "%" PRId64 " Bytes", bytes);
    }
    return text;
}

} // namespace exporting
