// Where a backup keeps the reminders and calendar stores. Both are found by their path
// relative to the domain, in any domain, because the reminders store moved from HomeDomain to
// the Reminders app group (and may move again).
#pragma once

#include "catalogue/ManifestEntry.h"

#include <string_view>
#include <vector>

namespace extract {

// The data files of the reminders store among `manifest`: every entry whose relative path
// ends in "Container_v1/Stores/Data-<name>.sqlite" (Data-local, one Data-<UUID> per account),
// never their -wal or -shm companions, in manifest order.
std::vector<const catalogue::ManifestEntry*>
reminderStoreFiles(const std::vector<catalogue::ManifestEntry>& manifest);

// The calendar database among `manifest`: the entry whose relative path is
// "Library/Calendar/Calendar.sqlitedb", the HomeDomain one when several domains have it;
// null when none has.
const catalogue::ManifestEntry*
calendarStoreFile(const std::vector<catalogue::ManifestEntry>& manifest);

} // namespace extract
