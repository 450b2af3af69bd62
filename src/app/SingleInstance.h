// Keeps one instance of the application per user: the first one listens on a local server;
// a later one asks it to come forward and ends.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

namespace app {

// The local server's name; $BRENVALE_INSTANCE_NAME replaces it (tests run side by side).
QString instanceServerName();

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    enum Role
    {
        // No other instance answered: this one now listens.
        Primary,
        // Another instance answered and was asked to show its window.
        OtherRaised,
        // Another instance holds the name but did not answer.
        OtherSilent
    };

    explicit SingleInstance(const QString& name, QObject* parent = nullptr);

    // Finds out which role this process has, and listens when it is the first.
    Role claim();

signals:
    // A later instance asked this one to show its window.
    void raiseRequested();

private:
    void onConnection();

    QString m_name;
    QLocalServer m_server;
};

} // namespace app
