// The remembered window layout.
#include "app/LayoutStore.h"

#include "app/Texts.h"
#include "catalogue/Folders.h"

#include <QSettings>

namespace app {

std::unique_ptr<QSettings> layoutStore()
{
    const std::string work = catalogue::workFolderPath();
    if (work.empty()) {
        return nullptr;
    }
    return std::make_unique<QSettings>(fromUtf8(work) + QStringLiteral("/layout.ini"),
                                       QSettings::IniFormat);
}

} // namespace app
