// The colours the results page draws records in, shared by the list, the preview and the
// conversation bubbles.
#pragma once

#include <QColor>

namespace app {

// Deleted records' text and marks.
inline const QColor kDeletedColour(243, 115, 2);
// Live records' text in the preview.
inline const QColor kTextColour(64, 64, 64);
// The rules above a note and above a conversation's messages.
inline const QColor kRuleColour(215, 215, 215);
// Captions and the lines around the bubbles.
inline const QColor kCaptionColour(0x8a, 0x8a, 0x8a);
// The background of a search's matches.
inline const QColor kHighlightColour(255, 224, 102);

} // namespace app
