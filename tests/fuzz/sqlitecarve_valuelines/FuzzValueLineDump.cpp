// Fuzz target: the value-line dumps of the message and address book tables over a database
// file of arbitrary bytes, both the reader's own and the one the recovery run writes today.
// The lines go to /dev/null: only reading the hostile file is under test.
#include "MemoryFile.h"
#include "extract/ValueLineDump.h"
#include "sqlitecarve/ValueLineDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile file;
    if (!file.assign(data, size)) {
        return 0;
    }
    const std::string sink = "/dev/null";
    (void)sqlitecarve::dumpMessageLines(file.path(), sink, 1000, 700000000);
    (void)sqlitecarve::dumpContactSearchLines(file.path(), sink, 1000);
    (void)extract::dumpTableValueLines(file.path(), "message", 1000, sink);
    (void)extract::dumpTableValueLines(file.path(), "ABPersonFullTextSearch_content", 1000, sink);
    return 0;
}
