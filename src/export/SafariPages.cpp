// Safari pages and tables.
#include "export/SafariPages.h"

#include "export/ExportWriters.h"
#include "export/TextEscape.h"

namespace exporting {

namespace {

constexpr std::string_view kHeadOpen = "<thead>";
constexpr std::string_view kHeadClose = "</thead>";

void replaceEvery(std::string& text, std::string_view placeholder, std::string_view value)
{
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size())) {
        text.replace(at, placeholder.size(), value);
    }
}

void appendRow(std::string& out, bool deleted, std::initializer_list<std::string_view> cells)
{
    out += deleted ? "\t<tr class=\"deleted\">" : "\t<tr>";
    for (const std::string_view cell : cells) {
        out += "<td>";
        appendHtmlEscaped(out, cell);
        out += "</td>";
    }
    out += "</tr>\r\n";
}

std::string joinedVisits(const extract::SafariHistoryRecord& page, std::string_view separator)
{
    std::string visits;
    for (const std::string& date : page.visits) {
        visits += (visits.empty() ? "" : std::string(separator)) + date;
    }
    return visits;
}

std::string status(std::int32_t deleted)
{
    return deleted != 0 ? "Deleted" : "Normal";
}

} // namespace

std::string tablePage(std::string_view templateText,
                      std::string_view title,
                      std::string_view deviceName,
                      const std::vector<std::string_view>& headings,
                      std::string_view rows)
{
    // The title goes in first, so that no placeholder text inside the rows is replaced.
    std::string page(templateText);
    replaceEvery(page, kTitlePlaceholder, std::string(title) + htmlEscape(deviceName));
    std::string heads = "<tr>";
    for (const std::string_view heading : headings) {
        heads += "<th>";
        appendHtmlEscaped(heads, heading);
        heads += "</th>";
    }
    heads += "</tr>";
    const std::size_t open = page.find(kHeadOpen);
    const std::size_t close = open == std::string::npos ? open : page.find(kHeadClose, open);
    if (close != std::string::npos) {
        page.replace(open + kHeadOpen.size(), close - open - kHeadOpen.size(), heads);
    }
    const std::size_t content = page.find(kContentPlaceholder);
    if (content != std::string::npos) {
        page.replace(content, kContentPlaceholder.size(), rows);
    }
    return page;
}

std::string safariBookmarkRows(const std::vector<const extract::SafariBookmarkRecord*>& bookmarks)
{
    std::string rows;
    for (const extract::SafariBookmarkRecord* b : bookmarks) {
        appendRow(rows, b->deleted != 0, {b->title, b->url, b->folder});
    }
    return rows;
}

std::string safariHistoryRows(const std::vector<const extract::SafariHistoryRecord*>& pages)
{
    std::string rows;
    for (const extract::SafariHistoryRecord* p : pages) {
        appendRow(rows,
                  p->deleted != 0,
                  {p->url,
                   p->title,
                   std::to_string(p->visitCount),
                   p->lastVisit,
                   joinedVisits(*p, "\n")});
    }
    return rows;
}

int writeSafariBookmarksCsv(const std::string& path,
                            const std::vector<const extract::SafariBookmarkRecord*>& bookmarks)
{
    std::string content = "Title,URL,Folder,Status\r\n";
    for (const extract::SafariBookmarkRecord* b : bookmarks) {
        content += csvField(b->title) + "," + csvField(b->url) + "," + csvField(b->folder) + "," +
                   status(b->deleted) + "\r\n";
    }
    return writeUtf8TextFile(path, content);
}

int writeSafariHistoryCsv(const std::string& path,
                          const std::vector<const extract::SafariHistoryRecord*>& pages)
{
    std::string content = "URL,Title,Visit Count,Last Visit,Visits,Status\r\n";
    for (const extract::SafariHistoryRecord* p : pages) {
        content += csvField(p->url) + "," + csvField(p->title) + "," +
                   std::to_string(p->visitCount) + "," + csvField(p->lastVisit) + "," +
                   csvField(joinedVisits(*p, "; ")) + "," + status(p->deleted) + "\r\n";
    }
    return writeUtf8TextFile(path, content);
}

} // namespace exporting
