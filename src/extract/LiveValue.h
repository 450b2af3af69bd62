// A column of a row the SQLite library returns, as the value our own reader gives for the
// same column, so that live and carved rows of a store are read alike.
#pragma once

#include "sqlitecarve/Value.h"

#include <sqlite3.h>

namespace extract {

// Reals of larger magnitude do not convert to a 64-bit integer.
inline constexpr double kLargestIntegralReal = 9.0e18;

// Column `column` of the current row of `statement`: NULL, integer, real, text or blob (its
// bytes kept).
sqlitecarve::Value liveValue(sqlite3_stmt* statement, int column);

} // namespace extract
