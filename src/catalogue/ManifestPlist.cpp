// Reading IsEncrypted from Manifest.plist with libplist.
#include "ManifestPlist.h"

#include "catalogue/InfoPlist.h"
#include "platform/File.h"
#include "platform/Status.h"

#include <memory>
#include <plist/plist.h>

namespace catalogue {

namespace {

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};

} // namespace

bool manifestPlistSaysEncrypted(const std::string& folder)
{
    std::string content;
    if (platform::readWholeFile(platform::joinPath(folder, "Manifest.plist"),
                                kMaxInfoPlistBytes,
                                content) != platform::kStatusOk ||
        content.empty()) {
        return false;
    }
    plist_t parsed = nullptr;
    const auto length = static_cast<std::uint32_t>(content.size());
    if (content.rfind("bplist00", 0) == 0) {
        plist_from_bin(content.data(), length, &parsed);
    } else {
        plist_from_xml(content.data(), length, &parsed);
    }
    const std::unique_ptr<void, PlistDeleter> root(parsed);
    if (root == nullptr || plist_get_node_type(root.get()) != PLIST_DICT) {
        return false;
    }
    const plist_t flag = plist_dict_get_item(root.get(), "IsEncrypted");
    if (flag == nullptr || plist_get_node_type(flag) != PLIST_BOOLEAN) {
        return false;
    }
    std::uint8_t value = 0;
    plist_get_bool_val(flag, &value);
    return value != 0;
}

} // namespace catalogue
