// Record shapes from declared columns and live records.
#include "sqlitecarve/RecordShape.h"

#include "sqlitecarve/Record.h"
#include "sqlitecarve/Varint.h"

#include <algorithm>
#include <map>

namespace sqlitecarve {

std::uint8_t kindBitOf(std::uint64_t type)
{
    if (type == 0) {
        return kAllowNull;
    }
    if (type == 7) {
        return kAllowReal;
    }
    if (type <= 9) {
        return kAllowInteger;
    }
    if (type < 12 || serialTypeContentLength(type) > kMaxRecordBytes) {
        return 0;
    }
    return type % 2 == 0 ? kAllowBlob : kAllowText;
}

RecordShape RecordShape::fromSchema(const TableSchema& table)
{
    RecordShape shape;
    if (table.columns.empty()) {
        return shape;
    }
    for (const ColumnInfo& column : table.columns) {
        std::uint8_t bits = kAllowAny;
        if (column.rowidAlias) {
            bits = kAllowNull;
        } else {
            switch (column.affinity) {
            case Affinity::Integer:
            case Affinity::Real:
            case Affinity::Numeric:
                bits = kAllowNull | kAllowInteger | kAllowReal;
                break;
            case Affinity::Text:
                bits = kAllowNull | kAllowText;
                break;
            case Affinity::Blob:
                bits = kAllowAny;
                break;
            }
            if (column.notNull) {
                bits &= static_cast<std::uint8_t>(~kAllowNull);
            }
        }
        shape.allowed.push_back(bits);
    }
    shape.minColumns = shape.maxColumns = shape.allowed.size();
    return shape;
}

RecordShape RecordShape::any()
{
    return RecordShape{};
}

RecordShape RecordShape::inferred(const std::vector<std::vector<std::uint64_t>>& records)
{
    std::map<std::size_t, std::size_t> counts;
    for (const auto& types : records) {
        ++counts[types.size()];
    }
    if (counts.empty()) {
        return any();
    }
    const auto common = std::max_element(
        counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second < b.second; });
    RecordShape shape;
    shape.allowed.assign(common->first, kAllowNull);
    for (const auto& types : records) {
        if (types.size() != common->first) {
            continue;
        }
        for (std::size_t i = 0; i < types.size(); ++i) {
            shape.allowed[i] |= kindBitOf(types[i]);
        }
    }
    for (std::uint8_t& bits : shape.allowed) {
        if ((bits & (kAllowInteger | kAllowReal)) != 0) {
            bits |= kAllowInteger | kAllowReal;
        }
    }
    shape.minColumns = shape.maxColumns = common->first;
    return shape;
}

bool RecordShape::accepts(std::size_t column, std::uint64_t type) const
{
    const std::uint8_t bit = kindBitOf(type);
    if (bit == 0) {
        return false;
    }
    if (allowed.empty()) {
        return true;
    }
    return column < allowed.size() && (allowed[column] & bit) != 0;
}

bool RecordShape::acceptsRecord(const std::vector<std::uint64_t>& types) const
{
    if (types.size() < minColumns || types.size() > maxColumns) {
        return false;
    }
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (!accepts(i, types[i])) {
            return false;
        }
    }
    return true;
}

void RecordShape::learn(const std::vector<std::uint64_t>& types)
{
    if (allowed.empty()) {
        return;
    }
    if (types.size() > allowed.size()) {
        allowed.resize(types.size(), kAllowAny);
        maxColumns = allowed.size();
    }
    minColumns = std::min(minColumns, std::max<std::size_t>(types.size(), 1));
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (allowed[i] != kAllowNull) {
            allowed[i] |= kindBitOf(types[i]);
        }
    }
}

} // namespace sqlitecarve
