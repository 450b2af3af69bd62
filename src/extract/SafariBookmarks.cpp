// Safari bookmarks with their folder paths.
#include "extract/SafariRow.h"
#include "extract/SafariStores.h"
#include "platform/Status.h"

#include <algorithm>
#include <map>
#include <set>

namespace extract {

namespace {

constexpr std::string_view kBookmarksPath = "Library/Safari/Bookmarks.db";
constexpr std::string_view kReadingListTitle = "com.apple.ReadingList";
constexpr std::string_view kReadingListFolder = "Reading List";
// The folder walk ends after this many levels: a deeper tree is damaged or hostile.
constexpr std::size_t kMaxFolderDepth = 64;
// `type` of a bookmark row (folders are 1).
constexpr std::int64_t kBookmarkType = 0;
// The id of the tree's root, which is no folder of its own.
constexpr std::int64_t kRootId = 0;

bool endsWithPath(const std::string& domainPath, std::string_view relativePath)
{
    return domainPath.size() > relativePath.size() && domainPath.ends_with(relativePath) &&
           domainPath[domainPath.size() - relativePath.size() - 1] == '-';
}

std::optional<std::int64_t> rowId(const SafariRow& row)
{
    const std::optional<std::int64_t> id = row.integer("id");
    return id ? id : row.rowid;
}

// The folders above a row whose parent is `parent`, from the top down. Reading List items get
// the one folder "Reading List".
std::vector<std::string> folderPath(const std::map<std::int64_t, const SafariRow*>& byId,
                                    std::optional<std::int64_t> parent)
{
    std::vector<std::string> folders;
    std::set<std::int64_t> seen;
    while (parent && *parent != kRootId && folders.size() < kMaxFolderDepth &&
           seen.insert(*parent).second) {
        const auto found = byId.find(*parent);
        if (found == byId.end()) {
            break;
        }
        const std::string title = found->second->text("title");
        if (title == kReadingListTitle) {
            return {std::string(kReadingListFolder)};
        }
        folders.push_back(title);
        parent = found->second->integer("parent");
    }
    std::reverse(folders.begin(), folders.end());
    return folders;
}

std::string joined(const std::vector<std::string>& folders)
{
    std::string path;
    for (const std::string& folder : folders) {
        path += (path.empty() ? "" : "/") + folder;
    }
    return path;
}

} // namespace

const catalogue::ManifestEntry*
findSafariBookmarksStore(const std::vector<catalogue::ManifestEntry>& manifest)
{
    const catalogue::ManifestEntry* found = nullptr;
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (!endsWithPath(entry.domainPath, kBookmarksPath)) {
            continue;
        }
        if (entry.domainPath.starts_with("HomeDomain-")) {
            return &entry;
        }
        found = found != nullptr ? found : &entry;
    }
    return found;
}

int readSafariBookmarks(const std::string& path,
                        platform::Diagnostics* damage,
                        std::vector<SafariBookmarkRecord>& bookmarks)
{
    std::vector<SafariRow> rows;
    if (const int status = readLiveRows(path, "bookmarks", rows); status != platform::kStatusOk) {
        return status;
    }
    const std::size_t live = rows.size();
    sqlitecarve::Database db;
    int status = openCarver(db, path, damage);
    if (status == platform::kStatusOk) {
        status = readCarvedRows(db, "bookmarks", rows);
    }
    std::map<std::int64_t, const SafariRow*> byId;
    for (std::size_t i = 0; i < live; ++i) {
        if (const std::optional<std::int64_t> id = rowId(rows[i])) {
            byId.emplace(*id, &rows[i]);
        }
    }
    for (const SafariRow& row : rows) {
        SafariBookmarkRecord bookmark;
        bookmark.url = row.text("url");
        if (row.integer("type").value_or(kBookmarkType) != kBookmarkType || bookmark.url.empty()) {
            continue;
        }
        bookmark.deleted = row.deleted || row.integer("deleted").value_or(0) != 0 ? 1 : 0;
        bookmark.title = row.text("title");
        bookmark.folders = folderPath(byId, row.integer("parent"));
        bookmark.folder = joined(bookmark.folders);
        bookmarks.push_back(std::move(bookmark));
    }
    return status;
}

} // namespace extract
