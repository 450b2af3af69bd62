// The categories a scan can look for, in the order of the category page's options, and the
// per-category counts a scan reports.
#pragma once

#include <array>

namespace app {

enum Category : int
{
    kCameraRoll,
    kPhotoStream,
    kAppPhotos,
    kAppVideos,
    kMessages,
    kMessageAtts,
    kContacts,
    kCallHistory,
    kNotes,
    kWhatsApp,
    kWhatsAppAtts,
    kReminder,
    kCalendar,
    kSafariBookmark,
    kCategoryCount
};

using CategorySelection = std::array<bool, kCategoryCount>;
using CategoryCounts = std::array<int, kCategoryCount>;

} // namespace app
