// The menu that copies a text.
#include "app/CopyMenu.h"

#include "app/Texts.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>

namespace app {

void showCopyMenu(const QPoint& where, const QString& text)
{
    QMenu menu;
    menu.addAction(languageText("PageScan", "MenuCopy"),
                   [text] { QApplication::clipboard()->setText(text); });
    menu.exec(where);
}

} // namespace app
