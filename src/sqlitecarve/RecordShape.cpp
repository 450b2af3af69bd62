// Record shapes from declared columns and live records.
#include "sqlitecarve/RecordShape.h"

#include <algorithm>

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
    if (type < 12) {
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
