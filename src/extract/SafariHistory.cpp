// Safari history: pages with their visits, live and deleted.
#include "extract/SafariRow.h"
#include "extract/SafariStores.h"
#include "platform/Status.h"

#include <algorithm>
#include <map>
#include <set>

namespace extract {

namespace {

struct Visit
{
    double seconds = 0.0;
    std::string date;
    std::string title;
};

// The visits of each history item, by the item's id.
using VisitsByItem = std::map<std::int64_t, std::vector<Visit>>;

VisitsByItem visitsByItem(const std::vector<SafariRow>& visits, bool deleted)
{
    VisitsByItem byItem;
    for (const SafariRow& row : visits) {
        const std::optional<std::int64_t> item = row.integer("history_item");
        if (row.deleted != deleted || !item) {
            continue;
        }
        byItem[*item].push_back(
            {row.seconds("visit_time"), row.appleDate("visit_time"), row.text("title")});
    }
    for (auto& [item, list] : byItem) {
        std::stable_sort(list.begin(), list.end(), [](const Visit& a, const Visit& b) {
            return a.seconds < b.seconds;
        });
    }
    return byItem;
}

SafariHistoryRecord pageOf(const std::string& url, bool deleted, const std::vector<Visit>& visits)
{
    SafariHistoryRecord page;
    page.deleted = deleted ? 1 : 0;
    page.url = url;
    for (const Visit& visit : visits) {
        if (!visit.date.empty()) {
            page.visits.push_back(visit.date);
            page.lastVisit = visit.date;
        }
        if (!visit.title.empty()) {
            page.title = visit.title;
        }
    }
    page.visitCount = static_cast<std::int64_t>(visits.size());
    return page;
}

// The rows of `table`: live ones through the library, deleted ones through our reader (when
// `db` opened). Returns the live read's status, else `carveStatus` or the carve's.
int readTable(const std::string& path,
              sqlitecarve::Database* db,
              std::string_view table,
              std::vector<SafariRow>& rows,
              int& carveStatus)
{
    const int status = readLiveRows(path, table, rows);
    if (status == platform::kStatusOk && db != nullptr) {
        const int carved = readCarvedRows(*db, table, rows);
        carveStatus = carveStatus != platform::kStatusOk ? carveStatus : carved;
    }
    return status;
}

} // namespace

std::vector<const catalogue::ManifestEntry*>
findSafariHistoryStores(const std::vector<catalogue::ManifestEntry>& manifest)
{
    constexpr std::string_view kFolder = "Library/Safari/";
    constexpr std::string_view kProfiles = "Profiles/";
    constexpr std::string_view kName = "History.db";
    std::vector<const catalogue::ManifestEntry*> stores;
    for (const catalogue::ManifestEntry& entry : manifest) {
        const std::string& path = entry.domainPath;
        const std::size_t folder = path.find(std::string("-") + std::string(kFolder));
        if (folder == std::string::npos || !path.ends_with(kName)) {
            continue;
        }
        std::string_view rest = std::string_view(path).substr(folder + 1 + kFolder.size());
        rest.remove_suffix(kName.size());
        if (rest.starts_with(kProfiles)) {
            rest.remove_prefix(kProfiles.size());
            if (rest.size() < 2 || rest.back() != '/' ||
                rest.substr(0, rest.size() - 1).find('/') != std::string_view::npos) {
                continue;
            }
            rest = {};
        }
        if (rest.empty()) {
            stores.push_back(&entry);
        }
    }
    return stores;
}

int readSafariHistory(const std::string& path,
                      platform::Diagnostics* damage,
                      std::vector<SafariHistoryRecord>& history)
{
    sqlitecarve::Database db;
    int carveStatus = openCarver(db, path, damage);
    sqlitecarve::Database* carver = carveStatus == platform::kStatusOk ? &db : nullptr;
    std::vector<SafariRow> items;
    std::vector<SafariRow> visits;
    if (const int status = readTable(path, carver, "history_items", items, carveStatus);
        status != platform::kStatusOk) {
        return status;
    }
    if (const int status = readTable(path, carver, "history_visits", visits, carveStatus);
        status != platform::kStatusOk) {
        return status;
    }
    std::vector<SafariRow> tombstones;
    // Older stores have no tombstones; their absence is no fault.
    (void)readLiveRows(path, "history_tombstones", tombstones);

    const VisitsByItem liveVisits = visitsByItem(visits, false);
    VisitsByItem carvedVisits = visitsByItem(visits, true);
    std::set<std::string> deletedUrls;
    std::vector<SafariHistoryRecord> pages;
    // Carved items whose id was overwritten in free space, by their place in `pages`.
    std::vector<std::size_t> withoutId;
    for (const SafariRow& item : items) {
        const std::string url = item.text("url");
        const std::optional<std::int64_t> id = item.integer("id") ? item.integer("id") : item.rowid;
        if (url.empty()) {
            continue;
        }
        std::vector<Visit> own;
        if (const auto found = id ? liveVisits.find(*id) : liveVisits.end();
            !item.deleted && found != liveVisits.end()) {
            own = found->second;
        }
        if (const auto carved = id ? carvedVisits.find(*id) : carvedVisits.end();
            carved != carvedVisits.end()) {
            // Carved visits of a live page were cleared on their own: a deleted page of theirs.
            if (!item.deleted) {
                pages.push_back(pageOf(url, true, carved->second));
                deletedUrls.insert(url);
            } else {
                own = carved->second;
            }
            carvedVisits.erase(carved);
        }
        if (item.deleted) {
            deletedUrls.insert(url);
            if (!id) {
                withoutId.push_back(pages.size());
            }
        }
        pages.push_back(pageOf(url, item.deleted, own));
        pages.back().visitCount =
            std::max(pages.back().visitCount, item.integer("visit_count").value_or(0));
    }
    // The carved visits no item claims: the one carved item without id when exactly one group
    // is left, else pages of their own without address.
    if (withoutId.size() == 1 && carvedVisits.size() == 1) {
        SafariHistoryRecord& page = pages[withoutId.front()];
        const std::int64_t count = page.visitCount;
        page = pageOf(page.url, true, carvedVisits.begin()->second);
        page.visitCount = std::max(page.visitCount, count);
    } else {
        for (const auto& [item, list] : carvedVisits) {
            pages.push_back(pageOf({}, true, list));
        }
    }
    for (const SafariRow& tombstone : tombstones) {
        const std::string url = tombstone.text("url");
        if (!url.empty() && deletedUrls.insert(url).second) {
            pages.push_back(pageOf(url, true, {}));
        }
    }
    std::stable_sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
        return a.lastVisit > b.lastVisit;
    });
    history.insert(history.end(), pages.begin(), pages.end());
    return carveStatus == platform::kStatusInvalid ? platform::kStatusOk : carveStatus;
}

} // namespace extract
