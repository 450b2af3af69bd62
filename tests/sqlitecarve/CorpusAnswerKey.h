// The XML answer keys of the SQLite forensic corpus: for every table, whether it was dropped,
// its column definitions and its rows, each marked deleted or not.
#pragma once

#include <string>
#include <vector>

namespace corpus {

struct KeyRow
{
    bool deleted = false;
    std::vector<std::string> values;
};

struct KeyTable
{
    std::string name;
    bool dropped = false;
    // For each column: whether it is an INTEGER PRIMARY KEY, whose value a recovered row may
    // have lost with its rowid.
    std::vector<bool> rowidColumns;
    std::vector<KeyRow> rows;
};

// Reads the answer key at `path`; tables of other element types (views, triggers, indexes)
// are left out. Returns false when the file cannot be read.
bool readAnswerKey(const std::string& path, std::vector<KeyTable>& tables);

} // namespace corpus
