// The Netscape bookmark file.
#include "export/BookmarksFileWriter.h"

#include "export/TextEscape.h"
#include "platform/File.h"
#include "platform/Text.h"

#include <memory>

namespace exporting {

namespace {

// A folder of the file with its subfolders and bookmarks in first-seen order.
struct Folder
{
    std::string name;
    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<const extract::SafariBookmarkRecord*> bookmarks;

    Folder& child(const std::string& childName)
    {
        for (const auto& folder : folders) {
            if (folder->name == childName) {
                return *folder;
            }
        }
        folders.push_back(std::make_unique<Folder>());
        folders.back()->name = childName;
        return *folders.back();
    }
};

// Appends `text` escaped, its line breaks as character references, so that every entry
// stays on one line for importers that read the file line by line.
void appendText(std::string& out, std::string_view text)
{
    for (const char c : htmlEscape(text)) {
        out += c == '\r'   ? std::string("&#13;")
               : c == '\n' ? std::string("&#10;")
                           : std::string(1, c);
    }
}

void appendFolder(std::string& out, const Folder& folder, const std::string& indent)
{
    out += indent + "<DL><p>\n";
    const std::string inner = indent + "    ";
    for (const auto& sub : folder.folders) {
        out += inner + "<DT><H3>";
        appendText(out, sub->name);
        out += "</H3>\n";
        appendFolder(out, *sub, inner);
    }
    for (const extract::SafariBookmarkRecord* bookmark : folder.bookmarks) {
        const std::string& title = bookmark->title.empty() ? bookmark->url : bookmark->title;
        if (isImportableUrl(bookmark->url)) {
            out += inner + "<DT><A HREF=\"";
            appendText(out, bookmark->url);
            out += "\">";
            appendText(out, title);
            out += "</A>\n";
        } else {
            out += inner + "<DT><A>";
            appendText(out, title);
            out += "</A>\n" + inner + "<DD>";
            appendText(out, bookmark->url);
            out += "\n";
        }
    }
    out += indent + "</DL><p>\n";
}

} // namespace

bool isImportableUrl(std::string_view url)
{
    const std::size_t colon = url.find(':');
    if (colon == std::string_view::npos) {
        return false;
    }
    const std::string_view scheme = url.substr(0, colon);
    for (const std::string_view allowed : {"http", "https", "ftp", "file"}) {
        if (platform::compareAsciiNoCase(scheme, allowed) == 0) {
            return true;
        }
    }
    return false;
}

std::string bookmarksFileText(const std::vector<const extract::SafariBookmarkRecord*>& bookmarks)
{
    Folder root;
    for (const extract::SafariBookmarkRecord* bookmark : bookmarks) {
        Folder* folder = &root;
        for (const std::string& name : bookmark->folders) {
            folder = &folder->child(name);
        }
        folder->bookmarks.push_back(bookmark);
    }
    std::string out = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
                      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
                      "<TITLE>Bookmarks</TITLE>\n"
                      "<H1>Bookmarks</H1>\n";
    appendFolder(out, root, "");
    return out;
}

int writeBookmarksFile(const std::string& path,
                       const std::vector<const extract::SafariBookmarkRecord*>& bookmarks)
{
    return platform::writeWholeFile(path, bookmarksFileText(bookmarks));
}

} // namespace exporting
