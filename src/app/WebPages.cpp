// Addresses of the product's pages.
#include "app/WebPages.h"

#include <QDesktopServices>

namespace app {

namespace {

std::function<void(const QUrl&)>& opener()
{
    static std::function<void(const QUrl&)> instance;
    return instance;
}

} // namespace

QUrl webPageUrl(WebPage page)
{
    const char* path = "";
    switch (page) {
    case WebPage::Help:
    case WebPage::Faq:
        // The FAQ lives on the help page.
        path = "help/";
        break;
    case WebPage::About:
        path = "about/";
        break;
    case WebPage::Support:
        path = "support/";
        break;
    case WebPage::PasswordRecovery:
        path = "help/forgotten-backup-password/";
        break;
    case WebPage::RecoveryGuide:
        path = "help/recovered-files/";
        break;
    }
    return QUrl(QLatin1String(kProductWebsite)).resolved(QUrl(QLatin1String(path)));
}

void openWebPage(WebPage page)
{
    const QUrl url = webPageUrl(page);
    if (opener()) {
        opener()(url);
    } else {
        QDesktopServices::openUrl(url);
    }
}

void setUrlOpener(std::function<void(const QUrl&)> newOpener)
{
    opener() = std::move(newOpener);
}

} // namespace app
