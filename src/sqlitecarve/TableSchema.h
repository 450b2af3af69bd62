// What the schema table tells about a table: its name, root page and columns, the columns
// taken from the table's CREATE TABLE text. Readers find their columns by name here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace sqlitecarve {

// Column affinity by the format's rules on the declared type.
enum class Affinity
{
    Integer,
    Text,
    Blob,
    Real,
    Numeric
};

struct ColumnInfo
{
    std::string name;
    std::string declaredType;
    Affinity affinity = Affinity::Blob;
    bool notNull = false;
    // An INTEGER PRIMARY KEY of a rowid table: stored as NULL, its value is the rowid.
    bool rowidAlias = false;
};

struct TableSchema
{
    // "table", "index", "view" or "trigger", as the schema table holds it.
    std::string type;
    std::string name;
    std::string tableName;
    // Page number of the root page (1-based as the schema stores it; 0 for virtual tables).
    std::uint32_t rootPage = 0;
    std::string sql;
    std::vector<ColumnInfo> columns;
    bool withoutRowid = false;
    bool isVirtual = false;

    // Index of the column named `column` (compared without regard to ASCII case), or −1.
    int columnIndex(std::string_view column) const;
    // Index of the rowid alias column, or −1.
    int rowidAliasIndex() const;
};

// The affinity of a declared column type.
Affinity affinityOf(std::string_view declaredType);

// Fills the columns, `withoutRowid` and `isVirtual` of `table` from a CREATE TABLE text.
// Quoted names ("", '', ``, []) are unquoted; table constraints are skipped, but a table-level
// PRIMARY KEY on one INTEGER column still makes it the rowid alias. Returns false when no
// column list can be found (CREATE TABLE … AS SELECT, a virtual table without one).
bool parseCreateTable(std::string_view sql, TableSchema& table);

} // namespace sqlitecarve
