// The context menu of the preview's texts and bubbles: one entry, in the application's
// language, that copies the whole text to the clipboard.
#pragma once

#include <QString>

class QPoint;

namespace app {

// Shows the menu at `where` (screen coordinates) for `text` and waits for the user's choice.
void showCopyMenu(const QPoint& where, const QString& text);

} // namespace app
