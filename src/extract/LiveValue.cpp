// Columns of the SQLite library's rows as our reader's values.
#include "extract/LiveValue.h"

#include "formats/SqliteReader.h"

namespace extract {

sqlitecarve::Value liveValue(sqlite3_stmt* statement, int column)
{
    sqlitecarve::Value value;
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_INTEGER:
        value.kind = sqlitecarve::ValueKind::Integer;
        value.integer = sqlite3_column_int64(statement, column);
        break;
    case SQLITE_FLOAT:
        value.kind = sqlitecarve::ValueKind::Real;
        value.real = sqlite3_column_double(statement, column);
        break;
    case SQLITE_TEXT:
        value.kind = sqlitecarve::ValueKind::Text;
        value.bytes = formats::columnText(statement, column);
        break;
    case SQLITE_BLOB: {
        value.kind = sqlitecarve::ValueKind::Blob;
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(statement, column));
        value.bytes.assign(bytes != nullptr ? bytes : "",
                           static_cast<std::size_t>(sqlite3_column_bytes(statement, column)));
        break;
    }
    default:
        break;
    }
    return value;
}

} // namespace extract
