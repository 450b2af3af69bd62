// Fuzz target: the message text of arbitrary bytes read as an attributedBody archive. Any text
// found must be well-formed UTF-8 shorter than the blob; the lenient read must agree with the
// strict one wherever the strict one succeeds, and fail with its status otherwise.
#include "formats/Typedstream.h"
#include "platform/Text.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> blob(data, size);
    std::string strict;
    const int strictStatus = formats::decodeAttributedBodyText(blob, strict);
    std::string lenient;
    formats::BodyTextOrigin origin = formats::BodyTextOrigin::Scan;
    const int lenientStatus = formats::readAttributedBodyText(blob, lenient, origin);

    const bool strictWrong =
        strictStatus == 0 && (!platform::isValidUtf8(strict) || strict.size() >= size ||
                              origin != formats::BodyTextOrigin::Archive || lenient != strict);
    const bool lenientWrong = lenientStatus == 0
                                  ? !platform::isValidUtf8(lenient) || lenient.size() >= size
                                  : lenientStatus != strictStatus;
    if (strictWrong || lenientWrong) {
        std::abort();
    }
    return 0;
}
