// Posting of the application's custom events.
#include "app/AppEvents.h"

#include <QCoreApplication>

namespace app {

void postAppMessage(QObject* receiver, int message, int param)
{
    QCoreApplication::postEvent(receiver, new AppEvent(message, param));
}

bool isAppMessage(const QEvent* event)
{
    const int type = static_cast<int>(event->type());
    return dynamic_cast<const AppEvent*>(event) != nullptr && type >= kMsgPlayMedia &&
           type <= kMsgOpenSupport;
}

} // namespace app
