// The bookmark file browsers import (the Netscape bookmark-file format): folders as nested
// <DL><p> lists headed by <H3>, bookmarks as <DT><A HREF="…">, one entry a line. Every text is
// HTML-escaped (line breaks as character references), and only http, https, ftp and file
// addresses become links: any other address (a `javascript:` one among them) is written as
// inert text below its title.
#pragma once

#include "extract/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace exporting {

// True when `url` begins with the scheme http, https, ftp or file (any case) and a colon.
bool isImportableUrl(std::string_view url);

// The whole bookmark file of `bookmarks`, each nested in its folders (SafariBookmarkRecord::
// folders) in the order the folders first appear.
std::string bookmarksFileText(const std::vector<const extract::SafariBookmarkRecord*>& bookmarks);

// Writes bookmarksFileText to `path` (UTF-8, no byte-order mark) into an existing folder.
// Returns 0 or the system error's status.
[[nodiscard]] int
writeBookmarksFile(const std::string& path,
                   const std::vector<const extract::SafariBookmarkRecord*>& bookmarks);

} // namespace exporting
