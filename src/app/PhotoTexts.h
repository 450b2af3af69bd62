// How the results page shows what the photo library says about a camera-roll file: the kind
// in the user's language, the dimensions, and the labelled lines of the preview.
#pragma once

#include "extract/Records.h"

#include <QString>

namespace app {

// "Photo", "Video", "Live Photo" or "Screenshot" in the user's language for a kind of the
// library ("photo", "video", "livePhoto", "screenshot"); empty for any other.
QString photoKindText(const std::string& kind);

// "width × height", or empty when either is unknown.
QString photoDimensionsText(const extract::PhotoDetails& details);

// One labelled line per detail the library gives: original name, created, dimensions, kind,
// place, favourite, hidden and the date it went to "Recently Deleted". Plain text.
QString photoDetailLines(const extract::PhotoDetails& details);

} // namespace app
