// Safari's bookmarks and history as a backup holds them: where their stores are, and their
// records. Live rows are read through the SQLite library (read-only, nothing written beside the
// file); deleted rows are carved from the file's free space by our own reader. Every text read
// is kept as stored: writers escape it.
#pragma once

#include "catalogue/ManifestEntry.h"
#include "extract/Records.h"
#include "platform/Diagnostics.h"

#include <string>
#include <vector>

namespace extract {

// The bookmark store Library/Safari/Bookmarks.db of `manifest` in any domain, HomeDomain first;
// null when there is none.
const catalogue::ManifestEntry*
findSafariBookmarksStore(const std::vector<catalogue::ManifestEntry>& manifest);

// Every history store of `manifest`: Library/Safari/History.db and
// Library/Safari/Profiles/<name>/History.db in any domain, in manifest order.
std::vector<const catalogue::ManifestEntry*>
findSafariHistoryStores(const std::vector<catalogue::ManifestEntry>& manifest);

// Appends the bookmarks of the Bookmarks.db at `path` to `bookmarks`: every row of type 0 with
// an address, its folder path walked up through its parents (at most 64 levels; a loop ends
// the walk), Reading List items in the folder "Reading List". Rows the store marks deleted and
// rows carved from free space are deleted. Faults of the carve are recorded in `damage` (may
// be null). Returns 0; 87 when the file is missing; the library's mapped code when the store
// cannot be queried (nothing appended from it then); else the carve's status after appending
// what could be read.
[[nodiscard]] int readSafariBookmarks(const std::string& path,
                                      platform::Diagnostics* damage,
                                      std::vector<SafariBookmarkRecord>& bookmarks);

// Appends the pages of the History.db at `path` to `history`, latest visit first: each
// history item with its visit count, the title of its latest titled visit and the dates of
// its visits, oldest first. Deleted pages are items carved from free space with their carved
// visits (an item whose id was overwritten takes the one group of carved visits that no
// other item claims), carved visits of live pages, carved visits of no known item (without
// address), and addresses the user cleared (tombstones) not found otherwise. Returns as
// readSafariBookmarks.
[[nodiscard]] int readSafariHistory(const std::string& path,
                                    platform::Diagnostics* damage,
                                    std::vector<SafariHistoryRecord>& history);

} // namespace extract
