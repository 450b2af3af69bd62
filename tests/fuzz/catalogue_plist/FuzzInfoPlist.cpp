// Fuzz target: Info.plist reading of arbitrary bytes, in both forms (binary through libplist
// when the input begins "bplist0", else the XML line scan), and Manifest.plist reading of the
// same bytes (libplist's binary or XML parser). Text fields that come from the display name
// must be valid UTF-8.
#include "ScratchFile.h"
#include "catalogue/InfoPlist.h"
#include "formats/ManifestPlist.h"
#include "platform/Text.h"

#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    catalogue::BackupInfo info;
    (void)catalogue::parseInfoPlist(content, info);
    if (!platform::isValidUtf8(info.displayName)) {
        std::abort();
    }
    catalogue::BackupInfo scanned;
    catalogue::scanInfoPlistXml(content, scanned);
    static fuzzsupport::ScratchFile manifest("Manifest.plist");
    if (manifest.assign(data, size)) {
        (void)formats::manifestSaysEncrypted(manifest.folder());
    }
    return 0;
}
