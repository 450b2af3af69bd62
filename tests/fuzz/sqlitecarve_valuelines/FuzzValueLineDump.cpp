// Fuzz target: the value-line dumps of the message and address book tables over a database
// file of arbitrary bytes. The lines go to /dev/null: only reading the hostile file is under
// test.
#include "MemoryFile.h"
#include "sqlitecarve/ValueLineDump.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzzsupport::MemoryFile file;
    if (!file.assign(data, size)) {
        return 0;
    }
    const std::string sink = "/dev/null";
    (void)sqlitecarve::dumpTableValueLines(file.path(), "message", 1000, sink);
    (void)sqlitecarve::dumpTableValueLines(
        file.path(), "ABPersonFullTextSearch_content", 1000, sink);
    return 0;
}
