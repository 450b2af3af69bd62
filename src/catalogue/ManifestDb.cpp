// Manifest.db reading through the SQLite library, without writing anything into the backup.
#include "ManifestDb.h"

#include "formats/ManifestNames.h"
#include "formats/SqliteReader.h"
#include "platform/File.h"
#include "platform/Status.h"
#include "platform/Text.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace catalogue {

namespace {

constexpr const char* kQuery = "select fileID,domain, relativePath from Files;";

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
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db, "select max(rowid) from Files;", statement) == SQLITE_OK &&
        sqlite3_step(statement.get()) == SQLITE_ROW) {
        const sqlite3_int64 rows = sqlite3_column_int64(statement.get(), 0);
        if (rows > 0) {
            manifest.reserve(static_cast<std::size_t>(std::min(rows, kMaxReservedEntries)));
        }
    }
}

int collectRows(sqlite3* db, std::vector<ManifestEntry>& manifest)
{
    reserveForRows(db, manifest);
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db, kQuery, statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    sqlite3_stmt* raw = statement.get();
    const int columns = sqlite3_column_count(raw);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(raw)) == SQLITE_ROW) {
        ManifestEntry entry;
        entry.fileId = formats::columnText(raw, 0);
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

int openAndRead(const std::string& path,
                formats::SqliteOpen mode,
                std::vector<ManifestEntry>& manifest)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, mode, db); opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    return collectRows(db.get(), manifest);
}

} // namespace

int readManifestDb(const std::string& path, std::vector<ManifestEntry>& manifest)
{
    manifest.clear();
    const std::string narrow = platform::wideToNarrow(path);
    if (narrow.empty()) {
        return platform::statusFromSqlite(SQLITE_CANTOPEN);
    }
    if (!hasPendingLog(narrow)) {
        return openAndRead(narrow, formats::SqliteOpen::Immutable, manifest);
    }
    const ScratchFolder scratch;
    if (scratch.path().empty()) {
        return platform::statusFromSqlite(SQLITE_CANTOPEN);
    }
    const std::string copy = platform::joinPath(scratch.path(), formats::kManifestDbName);
    if (!copyFile(narrow, copy) || !copyFile(narrow + "-wal", copy + "-wal")) {
        return platform::statusFromSqlite(SQLITE_CANTOPEN);
    }
    return openAndRead(copy, formats::SqliteOpen::ReadOnly, manifest);
}

} // namespace catalogue
