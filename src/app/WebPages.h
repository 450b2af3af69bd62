// The product's web pages, all under one base address, and opening them in the system's
// browser.
#pragma once

#include <functional>

#include <QUrl>

namespace app {

// The base address of every page the application opens.
inline constexpr const char* kProductWebsite = "https://brenvale.example.org/";

enum class WebPage
{
    Help,
    Faq,
    About,
    Support,
    PasswordRecovery,
    // The help page about what a recovery writes and how to use it.
    RecoveryGuide
};

// The address of `page`.
QUrl webPageUrl(WebPage page);

// Opens `page` with the system's default browser (or with the opener set below).
void openWebPage(WebPage page);

// Replaces how addresses are opened (tests record them instead); an empty function restores
// the system browser.
void setUrlOpener(std::function<void(const QUrl&)> opener);

} // namespace app
