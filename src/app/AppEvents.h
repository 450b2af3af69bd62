// The custom events that worker threads, pages and pop-ups post to the main window. Their
// type numbers are the window message numbers the rest of the system uses for them.
#pragma once

#include <QEvent>

namespace app {

enum AppMessage : int
{
    kMsgPlayMedia = 1027,
    kMsgLanguageChanged = 1030,
    WM_SCAN_START = 1031,
    WM_SCAN_REFRESH = 1032,
    WM_SCAN_SELECT = 1033,
    WM_SCAN_DONE = 1034,
    WM_SCAN_STATE = 1035,
    kMsgOpenHelp = 1124,
    kMsgOpenFaq = 1125,
    kMsgOpenAbout = 1128,
    kMsgOpenSupport = 1129,
};

// WM_SCAN_STATE parameters.
inline constexpr int kScanStateFirstProgress = 0;
inline constexpr int kScanStateWrongPassword = 1;

// One posted message with its parameter.
class AppEvent : public QEvent
{
public:
    AppEvent(int message, int param)
        : QEvent(static_cast<QEvent::Type>(message))
        , m_param(param)
    {}

    int message() const { return static_cast<int>(type()); }

    int param() const { return m_param; }

private:
    int m_param;
};

// Posts `message` with `param` to `receiver`; safe from any thread.
void postAppMessage(QObject* receiver, int message, int param);

// True when `event` is one of the messages above.
bool isAppMessage(const QEvent* event);

} // namespace app
