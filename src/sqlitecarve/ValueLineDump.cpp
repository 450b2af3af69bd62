// Value lines of carved rows.
#include "sqlitecarve/ValueLineDump.h"

#include "platform/Status.h"
#include "sqlitecarve/Database.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace sqlitecarve {

namespace {

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void appendValue(std::string& line, const Value& value)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    switch (value.kind) {
    case ValueKind::Null:
        line += "NULL";
        break;
    case ValueKind::Integer:
        line += std::to_string(value.integer);
        break;
    case ValueKind::Real: {
        char buffer[40];
        std::snprintf(buffer, sizeof buffer, "%.17g", value.real);
        line += buffer;
        break;
    }
    case ValueKind::Text:
        line += '"';
        for (const char c : value.bytes) {
            line += c;
            if (c == '"' || c == '\'') {
                line += c;
            }
        }
        line += '"';
        break;
    case ValueKind::Blob:
        line += "X'";
        for (const char c : value.bytes) {
            const auto byte = static_cast<unsigned char>(c);
            line += kHex[byte >> 4];
            line += kHex[byte & 0x0F];
        }
        line += '\'';
        break;
    }
}

// The value line of `row`: its identifier, then every column but the rowid alias.
std::string valueLine(const CarvedRow& row, int alias, std::int64_t& rowidMark)
{
    const std::int64_t id = row.rowid && *row.rowid != 0 ? *row.rowid : ++rowidMark;
    std::string line = std::to_string(id);
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (static_cast<int>(i) == alias) {
            continue;
        }
        line += ',';
        appendValue(line, row.values[i]);
    }
    line += "\r\n";
    return line;
}

} // namespace

int dumpTableValueLines(const std::string& databasePath,
                        std::string_view table,
                        std::int64_t rowidMark,
                        const std::string& outputPath)
{
    Database db;
    if (const int status = db.open(databasePath); status != platform::kStatusOk) {
        return status;
    }
    const TableSchema* schema = db.findTable(table);
    if (schema == nullptr) {
        return platform::kStatusOk;
    }
    const int alias = schema->rowidAliasIndex();
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(outputPath.c_str(), "ab"));
    if (!out) {
        return errno != 0 ? platform::statusFromErrno(errno) : platform::kStatusInvalid;
    }
    int writeStatus = platform::kStatusOk;
    const int readStatus = db.readTable(table, [&](CarvedRow& row) {
        const std::string line = valueLine(row, alias, rowidMark);
        if (writeStatus == platform::kStatusOk &&
            std::fwrite(line.data(), 1, line.size(), out.get()) != line.size()) {
            writeStatus = errno != 0 ? platform::statusFromErrno(errno) : platform::kStatusInvalid;
        }
    });
    if (writeStatus == platform::kStatusOk && std::fflush(out.get()) != 0) {
        writeStatus = errno != 0 ? platform::statusFromErrno(errno) : platform::kStatusInvalid;
    }
    return writeStatus != platform::kStatusOk ? writeStatus : readStatus;
}

} // namespace sqlitecarve
