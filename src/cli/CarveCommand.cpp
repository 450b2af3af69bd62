// The carve command: argument parsing, and the text and JSON forms of carved rows.
#include "cli/CarveCommand.h"

#include "cli/JsonWriter.h"
#include "platform/Diagnostics.h"
#include "platform/Status.h"
#include "platform/Text.h"
#include "sqlitecarve/Database.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <optional>

namespace cli {

namespace {

// How much JSON text is gathered before it is written.
constexpr std::size_t kPendingBytes = std::size_t{1} << 16;
constexpr const char* kUsage =
    "usage: brenvale-cli carve DATABASE [--table NAME]... [--json] [--live-only]";

constexpr const char* kHelp =
    "usage: brenvale-cli carve DATABASE [--table NAME]... [--json] [--live-only]\n"
    "\n"
    "Reads DATABASE with Brenvale's own SQLite reader and prints every row of the named\n"
    "tables, live and recovered from free space. Without --table, every table of the schema\n"
    "is printed, followed by the rows of free pages that belong to no current table.\n"
    "\n"
    "  --table NAME   print the rows of table NAME (may be repeated)\n"
    "  --json         one JSON object per row: table, deleted, origin, page, offset, rowid,\n"
    "                 values; and one per damaged place: table, damage (page, offset,\n"
    "                 message)\n"
    "  --live-only    print only the live rows of the tables: no recovery from free space\n"
    "                 or free pages\n"
    "  --help         show this help\n";

// Appends the decimal digits of `number` to `out`.
template <typename Integer> void appendNumber(std::string& out, Integer number)
{
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    out.append(digits, end);
}

void appendJsonValue(std::string& out, const sqlitecarve::Value& value)
{
    using sqlitecarve::ValueKind;
    switch (value.kind) {
    case ValueKind::Null:
        out += "null";
        break;
    case ValueKind::Integer:
        appendNumber(out, value.integer);
        break;
    case ValueKind::Real:
        if (std::isfinite(value.real)) {
            // As many digits as give the same double back.
            char digits[40];
            const auto end = std::to_chars(std::begin(digits),
                                           std::end(digits),
                                           value.real,
                                           std::chars_format::general,
                                           17)
                                 .ptr;
            out.append(digits, end);
        } else {
            out += "null";
        }
        break;
    case ValueKind::Text:
        appendJsonString(out, value.bytes);
        break;
    case ValueKind::Blob:
        out += "{\"hex\": \"";
        out += sqlitecarve::valueToText(value);
        out += "\"}";
        break;
    }
}

void appendJsonTable(std::string& out, const std::optional<std::string>& table)
{
    out += "{\"table\": ";
    if (table) {
        appendJsonString(out, *table);
    } else {
        out += "null";
    }
}

void appendJsonRow(std::string& out, const sqlitecarve::CarvedRow& row)
{
    appendJsonTable(out, row.table);
    out += row.deleted ? ", \"deleted\": 1" : ", \"deleted\": 0";
    out += ", \"origin\": \"";
    out += sqlitecarve::originName(row.origin);
    out += "\", \"page\": ";
    appendNumber(out, row.page);
    out += ", \"offset\": ";
    appendNumber(out, row.offset);
    out += ", \"rowid\": ";
    if (row.rowid) {
        appendNumber(out, *row.rowid);
    } else {
        out += "null";
    }
    out += ", \"values\": [";
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        out += i == 0 ? "" : ", ";
        appendJsonValue(out, row.values[i]);
    }
    out += "]}\n";
}

// A damaged place found while reading `table` (null for the schema and free pages), as JSON.
void appendJsonDamage(std::string& out,
                      const std::optional<std::string>& table,
                      const platform::Diagnostic& fault)
{
    appendJsonTable(out, table);
    out += ", \"damage\": {\"page\": ";
    appendNumber(out, fault.page);
    out += ", \"offset\": ";
    appendNumber(out, fault.offset);
    out += ", \"message\": ";
    appendJsonString(out, fault.message);
    out += "}}\n";
}

// `text` as it reads, with control characters and bytes that are not UTF-8 escaped as \xNN,
// so that names and values from a hostile file cannot drive the terminal.
std::string displayText(const std::string& text)
{
    std::string shown;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t length =
            c < 0x20 || c == 0x7f ? 0 : platform::utf8SequenceLength(text, i);
        if (length == 0) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
            ++i;
        } else {
            shown.append(text, i, length);
            i += length;
        }
    }
    return shown;
}

// A table name for the text output and messages; "(no table)" for rows of no known table.
std::string displayTable(const std::optional<std::string>& table)
{
    return table ? displayText(*table) : std::string("(no table)");
}

// Text form: a value as it reads, control characters and invalid bytes escaped.
std::string displayValue(const sqlitecarve::Value& value)
{
    using sqlitecarve::ValueKind;
    if (value.kind == ValueKind::Null) {
        return "NULL";
    }
    if (value.kind == ValueKind::Blob) {
        return "x'" + sqlitecarve::valueToText(value) + "'";
    }
    const std::string text = sqlitecarve::valueToText(value);
    return value.kind == ValueKind::Text ? displayText(text) : text;
}

void writeTextRow(std::ostream& out, const sqlitecarve::CarvedRow& row)
{
    out << displayTable(row.table) << '\t' << (row.deleted ? "deleted" : "live") << '\t'
        << sqlitecarve::originName(row.origin) << "\tpage " << row.page << "\toffset " << row.offset
        << "\trowid ";
    if (row.rowid) {
        out << *row.rowid;
    } else {
        out << '-';
    }
    out << '\t';
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        out << (i == 0 ? "" : " | ") << displayValue(row.values[i]);
    }
    out << '\n';
}

int usageError(std::ostream& err, const std::string& message)
{
    err << "brenvale-cli carve: " << message << '\n' << kUsage << '\n';
    return 2;
}

} // namespace

int runCarve(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    std::string database;
    std::vector<std::string> tables;
    bool json = false;
    bool liveOnly = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            out << kHelp;
            return 0;
        }
        if (arg == "--json") {
            json = true;
        } else if (arg == "--live-only") {
            liveOnly = true;
        } else if (arg == "--table") {
            if (i + 1 >= args.size()) {
                return usageError(err, "option '--table' needs a table name");
            }
            tables.push_back(args[++i]);
        } else if (arg.rfind("--table=", 0) == 0) {
            tables.push_back(arg.substr(8));
        } else if (arg.rfind("--json=", 0) == 0 || arg.rfind("--live-only=", 0) == 0) {
            return usageError(err, "option '" + arg.substr(0, arg.find('=')) + "' takes no value");
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            return usageError(err, "unknown option '" + arg + "'");
        } else if (database.empty()) {
            database = arg == "--" && i + 1 < args.size() ? args[++i] : arg;
        } else {
            return usageError(err, "unexpected argument '" + arg + "'");
        }
    }
    if (database.empty()) {
        return usageError(err, "missing DATABASE");
    }
    // JSON lines gather here and go out in large writes, not value by value.
    std::string pending;
    const auto sendPending = [&](std::size_t atLeast) {
        if (pending.size() >= atLeast) {
            out.write(pending.data(), static_cast<std::streamsize>(pending.size()));
            pending.clear();
        }
    };
    platform::Diagnostics faults;
    // Hands on the faults recorded since the last call: into the JSON stream, or as lines
    // on `err` next to the other messages. Each names the page and offset of the damage.
    const auto reportFaults = [&](const std::optional<std::string>& table) {
        for (const platform::Diagnostic& fault : faults.entries()) {
            if (json) {
                appendJsonDamage(pending, table, fault);
            } else {
                err << "brenvale-cli carve: " << displayTable(table) << ": page " << fault.page
                    << ", offset " << fault.offset << ": " << fault.message << '\n';
            }
        }
        faults.clear();
    };
    sqlitecarve::Database db;
    const int openStatus = db.open(database, &faults);
    if (openStatus != 0) {
        reportFaults(std::nullopt);
        sendPending(0);
        err << "brenvale-cli carve: cannot read " << database << ": "
            << platform::statusName(openStatus) << " (status " << openStatus << ")\n";
        return 1;
    }
    reportFaults(std::nullopt);
    const bool everything = tables.empty();
    if (everything) {
        tables = db.tableNames();
    }
    const auto write = [&](sqlitecarve::CarvedRow& row) {
        if (json) {
            appendJsonRow(pending, row);
            sendPending(kPendingBytes);
        } else {
            writeTextRow(out, row);
        }
    };
    int exitStatus = 0;
    if (db.schemaStatus() != 0) {
        err << "brenvale-cli carve: the schema could not be read in full: "
            << platform::statusName(db.schemaStatus()) << '\n';
        exitStatus = 1;
    }
    for (const std::string& table : tables) {
        if (db.findTable(table) == nullptr) {
            err << "brenvale-cli carve: no table " << displayText(table) << " in " << database
                << '\n';
            exitStatus = 1;
            continue;
        }
        const int status = db.readTable(table, write, sqlitecarve::ReadOptions{!liveOnly, {}});
        reportFaults(table);
        if (status != 0) {
            err << "brenvale-cli carve: table " << displayText(table) << ": "
                << platform::statusName(status) << " (status " << status << ")\n";
            exitStatus = 1;
        }
    }
    if (everything && !liveOnly) {
        std::vector<sqlitecarve::CarvedRow> unowned;
        const int status = db.readUnownedRows(unowned);
        for (sqlitecarve::CarvedRow& row : unowned) {
            write(row);
        }
        reportFaults(std::nullopt);
        if (status != 0) {
            err << "brenvale-cli carve: free pages: " << platform::statusName(status) << '\n';
            exitStatus = 1;
        }
    }
    sendPending(0);
    out.flush();
    return exitStatus;
}

} // namespace cli
