// Where the application remembers its window layout between runs: the main window's size and
// position and the results page's divider, in the file layout.ini of the work folder.
#pragma once

#include <memory>

class QSettings;

namespace app {

// The layout file of the work folder (under $BRENVALE_APPDATA when set); null when there is no
// work folder.
std::unique_ptr<QSettings> layoutStore();

} // namespace app
