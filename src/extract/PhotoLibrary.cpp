// The photo library's assets and their files.
#include "extract/PhotoLibrary.h"

#include "formats/SqliteReader.h"
#include "platform/Status.h"
#include "sqlitecarve/DeviceTables.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <set>
#include <unordered_map>

namespace extract {

namespace {

constexpr std::string_view kCameraRollDomainPrefix = "CameraRollDomain-";
// What the library stores for "no place".
constexpr double kNoPlace = -180.0;

// ZKIND and ZKINDSUBTYPE values.
constexpr std::int64_t kKindPhoto = 0;
constexpr std::int64_t kKindVideo = 1;
constexpr std::int64_t kSubtypeLivePhoto = 2;
constexpr std::int64_t kSubtypeScreenshot = 10;

// Result columns of the asset query.
enum Column
{
    kDirectory,
    kFileName,
    kOriginalName,
    kCreated,
    kWidth,
    kHeight,
    kKind,
    kSubtype,
    kFavorite,
    kHidden,
    kLatitude,
    kLongitude,
    kTrashedState,
    kTrashedDate,
};

// The column names of `table`; empty when it is missing or its description does not read.
std::set<std::string> columnsOf(sqlite3* db, const char* table)
{
    std::set<std::string> names;
    if (formats::tableColumns(db, table, names) != platform::kStatusOk) {
        names.clear();
    }
    return names;
}

// `alias`.`name` when the table has the column, else `fallback`.
std::string column(const std::set<std::string>& columns,
                   const char* alias,
                   const char* name,
                   const char* fallback = "NULL")
{
    return columns.contains(name) ? std::string(alias) + "." + name : fallback;
}

// The asset query over `table` with `columns`, joined to the extra attributes (which hold the
// original name) when `extra` names their columns: newer libraries point at them from the
// asset, older ones only from the attributes' side.
std::string assetQuery(const char* table,
                       const std::set<std::string>& columns,
                       const std::set<std::string>& extra)
{
    const auto c = [&columns](const char* name, const char* fallback = "NULL") {
        return column(columns, "t", name, fallback);
    };
    std::string join;
    if (extra.contains("ZORIGINALFILENAME")) {
        if (columns.contains("ZADDITIONALATTRIBUTES") && extra.contains("Z_PK")) {
            join = " LEFT JOIN ZADDITIONALASSETATTRIBUTES AS a ON a.Z_PK = t.ZADDITIONALATTRIBUTES";
        } else if (extra.contains("ZASSET")) {
            join = " LEFT JOIN ZADDITIONALASSETATTRIBUTES AS a ON a.ZASSET = t.Z_PK";
        }
    }
    const std::string original = join.empty() ? "NULL" : "a.ZORIGINALFILENAME";
    return "SELECT t.ZDIRECTORY, t.ZFILENAME, " + original + ", " + c("ZDATECREATED") + ", " +
           c("ZWIDTH", "0") + ", " + c("ZHEIGHT", "0") + ", " + c("ZKIND") + ", " +
           c("ZKINDSUBTYPE") + ", " + c("ZFAVORITE", "0") + ", " + c("ZHIDDEN", "0") + ", " +
           c("ZLATITUDE") + ", " + c("ZLONGITUDE") + ", " + c("ZTRASHEDSTATE", "0") + ", " +
           c("ZTRASHEDDATE") + " FROM " + table + " AS t" + join + " ORDER BY t.Z_PK;";
}

std::string dateText(sqlite3_stmt* statement, int index)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) {
        return {};
    }
    return sqlitecarve::appleDateText(sqlite3_column_double(statement, index));
}

// The degrees in `index`, unless NULL, the "no place" value, or beyond `limit`.
std::optional<double> degrees(sqlite3_stmt* statement, int index, double limit)
{
    if (sqlite3_column_type(statement, index) == SQLITE_NULL) {
        return std::nullopt;
    }
    const double value = sqlite3_column_double(statement, index);
    if (!std::isfinite(value) || value == kNoPlace || std::fabs(value) > limit) {
        return std::nullopt;
    }
    return value;
}

std::string kindText(sqlite3_stmt* statement)
{
    if (sqlite3_column_type(statement, kKind) == SQLITE_NULL) {
        return {};
    }
    const std::int64_t kind = sqlite3_column_int64(statement, kKind);
    const std::int64_t subtype = sqlite3_column_int64(statement, kSubtype);
    if (kind == kKindVideo) {
        return "video";
    }
    if (kind != kKindPhoto) {
        return {};
    }
    return subtype == kSubtypeLivePhoto    ? "livePhoto"
           : subtype == kSubtypeScreenshot ? "screenshot"
                                           : "photo";
}

PhotoDetails detailsOfRow(sqlite3_stmt* statement)
{
    PhotoDetails details;
    details.originalName = formats::columnText(statement, kOriginalName);
    details.created = dateText(statement, kCreated);
    details.width = std::max<std::int64_t>(0, sqlite3_column_int64(statement, kWidth));
    details.height = std::max<std::int64_t>(0, sqlite3_column_int64(statement, kHeight));
    details.kind = kindText(statement);
    details.latitude = degrees(statement, kLatitude, 90.0);
    details.longitude = degrees(statement, kLongitude, 180.0);
    if (!details.latitude || !details.longitude) {
        details.latitude.reset();
        details.longitude.reset();
    }
    details.favorite = sqlite3_column_int64(statement, kFavorite) != 0;
    details.hidden = sqlite3_column_int64(statement, kHidden) != 0;
    if (sqlite3_column_int64(statement, kTrashedState) != 0) {
        details.deleted = 1;
        details.deletedDate = dateText(statement, kTrashedDate);
    }
    return details;
}

void noteDamage(platform::Diagnostics& damage, const std::string& message)
{
    damage.add({0, 0, message, __func__, __LINE__});
}

} // namespace

int readPhotoLibrary(const std::string& path, PhotoAssets& assets)
{
    assets.clear();
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    const char* table = "ZASSET";
    std::set<std::string> columns = columnsOf(db.get(), table);
    if (!columns.contains("ZDIRECTORY") || !columns.contains("ZFILENAME")) {
        table = "ZGENERICASSET";
        columns = columnsOf(db.get(), table);
    }
    if (!columns.contains("ZDIRECTORY") || !columns.contains("ZFILENAME")) {
        return platform::kStatusQueryFailed;
    }
    const std::string query =
        assetQuery(table, columns, columnsOf(db.get(), "ZADDITIONALASSETATTRIBUTES"));
    formats::SqliteStatement statement;
    if (formats::prepareStatement(db.get(), query.c_str(), statement) != SQLITE_OK) {
        return platform::kStatusQueryFailed;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const std::string directory = formats::columnText(statement.get(), kDirectory);
        const std::string fileName = formats::columnText(statement.get(), kFileName);
        if (!directory.empty() && !fileName.empty()) {
            assets.try_emplace("Media/" + directory + "/" + fileName,
                               detailsOfRow(statement.get()));
        }
    }
    if (step != SQLITE_DONE) {
        assets.clear();
        return platform::kStatusQueryFailed;
    }
    return platform::kStatusOk;
}

void addPhotoDetails(catalogue::BackupEngine& engine,
                     std::vector<MediaItem>& cameraRoll,
                     platform::Diagnostics& damage)
{
    if (cameraRoll.empty()) {
        return;
    }
    const auto& manifest = engine.manifest();
    const auto library = std::find_if(manifest.begin(), manifest.end(), [](const auto& entry) {
        return entry.domainPath == kPhotoLibraryDomainPath;
    });
    if (library == manifest.end()) {
        return;
    }
    PhotoAssets assets;
    if (const int status = readPhotoLibrary(engine.filePath(library->fileId), assets);
        status != platform::kStatusOk) {
        noteDamage(damage,
                   std::string("the photo library cannot be read (") +
                       platform::statusName(status) + "); files are listed without its details");
        return;
    }
    std::unordered_map<std::string, std::shared_ptr<const PhotoDetails>> byFile;
    for (const catalogue::ManifestEntry& entry : manifest) {
        if (!entry.domainPath.starts_with(kCameraRollDomainPrefix)) {
            continue;
        }
        auto found = assets.find(entry.domainPath.substr(kCameraRollDomainPrefix.size()));
        if (found != assets.end()) {
            byFile.try_emplace(engine.filePath(entry.fileId),
                               std::make_shared<const PhotoDetails>(std::move(found->second)));
            assets.erase(found);
        }
    }
    for (MediaItem& item : cameraRoll) {
        if (const auto known = byFile.find(item.path); known != byFile.end()) {
            item.photo = known->second;
        }
    }
}

} // namespace extract
