// Fuzz target: arbitrary bytes read as a note table's compressed document and, directly, as the
// document itself (checksums would keep most mutations of a gzip stream from reaching it). Any
// text rendered must be well-formed UTF-8 within the limit; a failure must leave no text.
#include "formats/NoteTable.h"
#include "platform/Text.h"

#include <cstdlib>
#include <string_view>

namespace {

bool wrong(int status, const std::string& text)
{
    return status == 0 ? !platform::isValidUtf8(text) || text.size() > formats::kMaxNoteTableText
                       : !text.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string stored;
    const int storedStatus = formats::decodeNoteTable({data, size}, stored);
    std::string text;
    const int textStatus =
        formats::renderNoteTable(std::string_view(reinterpret_cast<const char*>(data), size), text);
    if (wrong(storedStatus, stored) || wrong(textStatus, text)) {
        std::abort();
    }
    return 0;
}
