// `brenvale-cli carve`: our own SQLite reader on any database file, printing every row of the
// chosen tables (default: every table, plus rows of free pages that belong to no table), live
// and recovered (or live only), as text or as one JSON object per line.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// Runs `carve DATABASE [--table NAME]... [--json] [--live-only]` with `args` (the program and
// command names left out); --live-only leaves out the recovered rows and the free pages. Rows go to
// `out`, messages to `err`; each damaged place met (page, offset, what) goes to `err`, or with
// --json into `out` as an object with a "damage" member, and costs only the rows it holds. Returns
// the exit status: 0 success, 1 when the database could not be read or a table could not be found
// or read in full, 2 bad usage.
int runCarve(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace cli
