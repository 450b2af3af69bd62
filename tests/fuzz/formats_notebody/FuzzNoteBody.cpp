// Fuzz target: arbitrary bytes read as a compressed note body and, directly, as the protobuf
// document inside one (checksums would keep most mutations of a gzip stream from reaching the
// document). Any text rendered must be well-formed UTF-8; a failure must leave no text.
#include "formats/NoteBody.h"
#include "platform/Text.h"

#include <cstdlib>
#include <string_view>

namespace {

bool wrong(int status, const std::string& text)
{
    return status == 0 ? !platform::isValidUtf8(text) : !text.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string body;
    const int bodyStatus = formats::decodeNoteBody({data, size}, body);
    std::string text;
    const int textStatus = formats::renderNoteDocument(
        std::string_view(reinterpret_cast<const char*>(data), size), text);
    if (wrong(bodyStatus, body) || wrong(textStatus, text)) {
        std::abort();
    }
    return 0;
}
