// The pages and tables of Safari bookmarks and history in a recovery run: HTML pages in the
// look of the call-history template (its style, with the title and column heads of the
// Safari table) and CSV tables. Every text is escaped in pages and quoted in tables.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// The page of `templateText` (a template with "{|title|}", one <thead>…</thead> and
// "{|content|}") titled `title` + the escaped `deviceName`, with `headings` as its column
// heads and `rows` (escaped <tr> rows) as its content.
std::string tablePage(std::string_view templateText,
                      std::string_view title,
                      std::string_view deviceName,
                      const std::vector<std::string_view>& headings,
                      std::string_view rows);

// The escaped table rows of bookmarks (title, address, folder) and of history pages (address,
// title, visit count, last visit, every visit's date on a line of its own); deleted records get
// the row class "deleted".
std::string safariBookmarkRows(const std::vector<const extract::SafariBookmarkRecord*>& bookmarks);
std::string safariHistoryRows(const std::vector<const extract::SafariHistoryRecord*>& pages);

// Write the CSV table of bookmarks ("Title,URL,Folder,Status") or history pages
// ("URL,Title,Visit Count,Last Visit,Visits,Status", visits separated by "; ") to `path`.
// Return 0 or the system error's status.
[[nodiscard]] int
writeSafariBookmarksCsv(const std::string& path,
                        const std::vector<const extract::SafariBookmarkRecord*>& bookmarks);
[[nodiscard]] int
writeSafariHistoryCsv(const std::string& path,
                      const std::vector<const extract::SafariHistoryRecord*>& pages);

// Column heads of the two pages.
inline const std::vector<std::string_view> kSafariBookmarkHeadings = {"Title", "URL", "Folder"};
inline const std::vector<std::string_view> kSafariHistoryHeadings = {
    "URL", "Title", "Visit Count", "Last Visit", "Visits"};

} // namespace exporting
