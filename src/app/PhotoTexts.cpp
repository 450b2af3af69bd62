// The photo library's details as the results page shows them.
#include "app/PhotoTexts.h"

#include "app/Texts.h"

#include <QStringList>

namespace app {

namespace {

QString pageText(const char* key)
{
    return languageText("PageScan", key);
}

} // namespace

QString photoKindText(const std::string& kind)
{
    static constexpr std::pair<const char*, const char*> kKinds[] = {
        {"photo", "KindPhoto"},
        {"video", "KindVideo"},
        {"livePhoto", "KindLivePhoto"},
        {"screenshot", "KindScreenshot"},
    };
    for (const auto& [name, key] : kKinds) {
        if (kind == name) {
            return pageText(key);
        }
    }
    return {};
}

QString photoDimensionsText(const extract::PhotoDetails& details)
{
    if (details.width <= 0 || details.height <= 0) {
        return {};
    }
    return QStringLiteral("%1 × %2").arg(details.width).arg(details.height);
}

QString photoDetailLines(const extract::PhotoDetails& details)
{
    QStringList lines;
    const auto add = [&lines](const char* key, const QString& value) {
        if (!value.isEmpty()) {
            lines << pageText(key) + QStringLiteral(": ") + value;
        }
    };
    add("ColOriginalName", fromUtf8(details.originalName));
    add("ColCreated", fromUtf8(details.created));
    add("ColDimensions", photoDimensionsText(details));
    add("ColKind", photoKindText(details.kind));
    if (details.latitude && details.longitude) {
        add("PhotoPlace",
            QStringLiteral("%1, %2")
                .arg(*details.latitude, 0, 'f', 6)
                .arg(*details.longitude, 0, 'f', 6));
    }
    for (const auto& [flag, key] :
         {std::pair{details.favorite, "PhotoFavorite"}, {details.hidden, "PhotoHidden"}}) {
        if (flag) {
            lines << pageText(key);
        }
    }
    if (details.deleted != 0) {
        lines << pageText("PhotoDeleted") +
                     (details.deletedDate.empty()
                          ? QString()
                          : QStringLiteral(": ") + fromUtf8(details.deletedDate));
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace app
