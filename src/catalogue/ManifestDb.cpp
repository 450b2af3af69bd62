// Manifest.db reading through the SQLite library, without writing anything into the backup.
#include "ManifestDb.h"

#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sqlite3.h>

namespace catalogue {

namespace {

constexpr const char* kQuery = "select fileID,domain, relativePath from Files;";

struct DatabaseCloser
{
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};

struct StatementFinalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// A private folder under the system's temporary folder, removed with its content when the
// object goes.
class ScratchFolder
{
public:
    ScratchFolder()
    {
        std::error_code error;
        std::string pattern =
            platform::pathToUtf8(std::filesystem::temp_directory_path(error) / "brenvale-XXXXXX");
        if (!error && ::mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }

    ~ScratchFolder()
    {
        if (!m_path.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(platform::pathFromUtf8(m_path), ignored);
        }
    }

    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A "file:" URI naming `path`, with every byte outside the unreserved set and "/" escaped, so
// that "?", "#" and "%" in folder names keep their meaning as path characters.
std::string fileUri(const std::string& path)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '/' || byte == '-' ||
                           byte == '.' || byte == '_' || byte == '~';
        if (plain) {
            uri += c;
        } else {
            uri += '%';
            uri += kDigits[byte >> 4];
            uri += kDigits[byte & 0x0F];
        }
    }
    return uri;
}

bool hasPendingLog(const std::string& path)
{
    std::uint64_t bytes = 0;
    return platform::getFileSize(path + "-wal", bytes) == platform::kStatusOk && bytes > 0;
}

bool copyFile(const std::string& from, const std::string& to)
{
    std::error_code error;
    std::filesystem::copy_file(platform::pathFromUtf8(from), platform::pathFromUtf8(to), error);
    return !error;
}

// The largest number of entries reserved up front; beyond it the list grows as rows arrive.
constexpr sqlite3_int64 kMaxReservedEntries = 4 * 1024 * 1024;

// Reserves room for the rows of Files, estimated by its largest rowid (a lookup at the end of
// the table, not a scan), so that the list does not grow and copy itself while rows arrive.
void reserveForRows(sqlite3* db, std::vector<ManifestEntry>& manifest)
{
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, "select max(rowid) from Files;", -1, &raw, nullptr) == SQLITE_OK &&
        sqlite3_step(raw) == SQLITE_ROW) {
        const sqlite3_int64 rows = sqlite3_column_int64(raw, 0);
        if (rows > 0) {
            manifest.reserve(static_cast<std::size_t>(std::min(rows, kMaxReservedEntries)));
        }
    }
    sqlite3_finalize(raw);
}

int collectRows(sqlite3* db, std::vector<ManifestEntry>& manifest)
{
    reserveForRows(db, manifest);
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, kQuery, -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return platform::kStatusQueryFailed;
    }
    const std::unique_ptr<sqlite3_stmt, StatementFinalizer> statement(raw);
    const int columns = sqlite3_column_count(raw);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
        ManifestEntry entry;
        if (const auto* id = sqlite3_column_text(raw, 0); id != nullptr) {
            entry.fileId.assign(reinterpret_cast<const char*>(id),
                                static_cast<std::size_t>(sqlite3_column_bytes(raw, 0)));
        }
        std::size_t length = 0;
        for (int column = 1; column < columns; ++column) {
            length += static_cast<std::size_t>(sqlite3_column_bytes(raw, column)) + 1;
        }
        entry.domainPath.reserve(length);
        if (const auto* domain = sqlite3_column_text(raw, 1); domain != nullptr) {
            entry.domainPath.assign(reinterpret_cast<const char*>(domain),
                                    static_cast<std::size_t>(sqlite3_column_bytes(raw, 1)));
        }
        for (int column = 2; column < columns; ++column) {
            if (const auto* text = sqlite3_column_text(raw, column); text != nullptr) {
                entry.domainPath += '-';
                entry.domainPath.append(
                    reinterpret_cast<const char*>(text),
                    static_cast<std::size_t>(sqlite3_column_bytes(raw, column)));
            }
        }
        manifest.push_back(std::move(entry));
    }
    return step == SQLITE_DONE ? platform::kStatusOk : platform::kStatusQueryFailed;
}

int openAndRead(const std::string& uri, std::vector<ManifestEntry>& manifest)
{
    sqlite3* raw = nullptr;
    const int opened =
        sqlite3_open_v2(uri.c_str(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    const std::unique_ptr<sqlite3, DatabaseCloser> db(raw);
    if (opened != SQLITE_OK) {
        return opened;
    }
    return collectRows(raw, manifest);
}

} // namespace

int readManifestDb(const std::string& path, std::vector<ManifestEntry>& manifest)
{
    manifest.clear();
    const std::string narrow = platform::wideToNarrow(path);
    if (narrow.empty()) {
        return SQLITE_CANTOPEN;
    }
    if (!hasPendingLog(narrow)) {
        return openAndRead(fileUri(narrow) + "?immutable=1", manifest);
    }
    const ScratchFolder scratch;
    if (scratch.path().empty()) {
        return SQLITE_CANTOPEN;
    }
    const std::string copy = platform::joinPath(scratch.path(), "Manifest.db");
    if (!copyFile(narrow, copy) || !copyFile(narrow + "-wal", copy + "-wal")) {
        return SQLITE_CANTOPEN;
    }
    return openAndRead(fileUri(copy), manifest);
}

} // namespace catalogue
