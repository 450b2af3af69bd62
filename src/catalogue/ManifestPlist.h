// The backup's Manifest.plist, read for one fact: whether the backup says it is encrypted.
#pragma once

#include <string>

namespace catalogue {

// True when `folder` holds a Manifest.plist (XML or binary, at most kMaxInfoPlistBytes) whose
// root dictionary has IsEncrypted set to true. A missing or unreadable file gives false.
bool manifestPlistSaysEncrypted(const std::string& folder);

} // namespace catalogue
