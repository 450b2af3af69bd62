// The public face of our SQLite reader: open a database file, list its tables from the schema
// table, and read any table's rows — live ones from its b-tree, deleted ones recovered from
// the free space of its pages and from free-list pages — each with its deleted flag and
// origin. Rows of free pages that fit no current table (a dropped table) are read too.
#pragma once

#include "sqlitecarve/CarvedRow.h"
#include "sqlitecarve/RecordShape.h"
#include "sqlitecarve/SqliteCarver.h"
#include "sqlitecarve/TableSchema.h"
#include "sqlitecarve/TreeReader.h"

#include <string>
#include <string_view>
#include <vector>

namespace sqlitecarve {

struct ReadOptions
{
    // Also recover deleted rows (free space of the table's pages and free-list pages).
    bool recover = true;
    // The columns the caller looks at (0-based; negative positions are ignored). Live rows
    // decode only these, the others reading as NULL (the rowid alias still holds the rowid);
    // recovered rows come whole. Empty: every column.
    std::vector<int> columns;
};

class Database
{
public:
    // Opens `path` read-only and reads its schema table. Every fault met then and in later
    // reads (page, offset, what) is recorded in `faults` when it is not null; it must outlive
    // the database or its next open. Returns 0, or a SqliteCarver::open status. A schema that
    // cannot be read in full leaves the entries read so far and is reported by
    // schemaStatus(), not here.
    [[nodiscard]] int open(const std::string& path, platform::Diagnostics* faults = nullptr);
    // open(path) reading from `source`, which must outlive the database or its next open.
    [[nodiscard]] int open(const platform::ReadSource& source,
                           platform::Diagnostics* faults = nullptr);

    const SqliteCarver& carver() const { return m_carver; }

    // Every row of the schema table (tables, indexes, views, triggers).
    const std::vector<TableSchema>& schema() const { return m_schema; }

    int schemaStatus() const { return m_schemaStatus; }

    // Names of the tables whose rows can be read: rowid tables with a root page, in schema
    // order, the schema table itself left out.
    std::vector<std::string> tableNames() const;
    // The schema entry of table `name` (compared without regard to ASCII case), or null.
    const TableSchema* findTable(std::string_view name) const;

    // Adds to `roots` the root page (0-based, key −1) of every schema entry whose name or
    // table name is `name` (ASCII case ignored): the table's own and those of its indexes.
    void findRootPages(std::string_view name, PageKeyMap& roots) const;

    // Hands every row of table `name` to `sink`: live rows first, then recovered ones. A
    // recovered row identical to a live row of the table, or to a row already handed out, is
    // a stale copy and is left out. Returns 0; kStatusInvalid when the table does not exist
    // or cannot be read (virtual, WITHOUT ROWID); else the first walk or read status, after
    // handing out what could be read.
    [[nodiscard]] int
    readTable(std::string_view name, const RowSink& sink, const ReadOptions& options = {});
    // readTable collecting into `rows` (appended).
    [[nodiscard]] int
    readTable(std::string_view name, std::vector<CarvedRow>& rows, const ReadOptions& options = {});
    // Rows of free-list pages that fit no current table, with no table name. Returns 0
    // or the first read status.
    [[nodiscard]] int readUnownedRows(std::vector<CarvedRow>& rows);

private:
    void reset(platform::Diagnostics* faults);
    int readSchemaTable();
    void carveFreePages();
    void mapColumns(const TableSchema& table, CarvedRow& row) const;

    SqliteCarver m_carver;
    std::vector<TableSchema> m_schema;
    int m_schemaStatus = 0;
    bool m_freePagesCarved = false;
    int m_freePagesStatus = 0;
    // Rows of free pages, each with the table it was assigned to (empty for none).
    std::vector<CarvedRow> m_freeRows;
};

} // namespace sqlitecarve
