// Read-only probes through the SQLite library.
#include "extract/SqliteProbe.h"

#include "formats/SqliteReader.h"
#include "platform/Status.h"

namespace extract {

int probeQuery(const std::string& path, const std::string& sql, int& columns)
{
    formats::SqliteHandle db;
    if (const int opened = formats::openReadOnly(path, formats::SqliteOpen::Immutable, db);
        opened != SQLITE_OK) {
        return platform::statusFromSqlite(opened);
    }
    char* message = nullptr;
    const int status = sqlite3_exec(
        db.get(),
        sql.c_str(),
        [](void* user, int count, char**, char**) {
            *static_cast<int*>(user) = count;
            return 0;
        },
        &columns,
        &message);
    if (message != nullptr) {
        sqlite3_free(message);
    }
    return status == SQLITE_OK ? platform::kStatusOk : platform::kStatusQueryFailed;
}

} // namespace extract
