// Safari history: pages with their visits, live and deleted.
#include "extract/SafariRows.h"
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
    VisitsByItem deletedVisits = visitsByItem(visits, true);
    const std::vector<Visit> none;
    std::set<std::string> deletedUrls;
    std::vector<SafariHistoryRecord> pages;
    for (const SafariRow& item : items) {
        const std::string url = item.text("url");
        const std::optional<std::int64_t> id = item.integer("id") ? item.integer("id") : item.rowid;
        if (url.empty()) {
            continue;
        }
        const VisitsByItem& source = item.deleted ? deletedVisits : liveVisits;
        const auto found = id ? source.find(*id) : source.end();
        SafariHistoryRecord page =
            pageOf(url, item.deleted, found != source.end() ? found->second : none);
        page.visitCount = std::max(page.visitCount, item.integer("visit_count").value_or(0));
        if (item.deleted) {
            deletedUrls.insert(url);
            if (found != source.end()) {
                deletedVisits.erase(*id);
            }
        } else if (id) {
            // Visits of a live page carved from free space were cleared on their own.
            if (const auto cleared = deletedVisits.find(*id); cleared != deletedVisits.end()) {
                pages.push_back(pageOf(url, true, cleared->second));
                deletedUrls.insert(url);
            }
        }
        pages.push_back(std::move(page));
    }
    for (const SafariRow& tombstone : tombstones) {
        const std::string url = tombstone.text("url");
        if (!url.empty() && deletedUrls.insert(url).second) {
            pages.push_back(pageOf(url, true, none));
        }
    }
    std::stable_sort(pages.begin(), pages.end(), [](const auto& a, const auto& b) {
        return a.lastVisit > b.lastVisit;
    });
    history.insert(history.end(), pages.begin(), pages.end());
    return carveStatus == platform::kStatusInvalid ? platform::kStatusOk : carveStatus;
}

} // namespace extract
