// The single-instance handshake over a local socket: "raise\n" answered with "ok\n".
#include "app/SingleInstance.h"

#include <QLocalSocket>

namespace app {

namespace {

constexpr int kConnectMs = 500;
constexpr int kAnswerMs = 2000;
constexpr char kRaise[] = "raise\n";
constexpr char kAnswer[] = "ok\n";

} // namespace

QString instanceServerName()
{
    const QString custom = qEnvironmentVariable("BRENVALE_INSTANCE_NAME");
    if (!custom.isEmpty()) {
        return custom;
    }
    return QStringLiteral("Korimo_Brenvale_2017-") + qEnvironmentVariable("USER");
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent)
    , m_name(name)
{
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
}

SingleInstance::Role SingleInstance::claim()
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (socket.waitForConnected(kConnectMs)) {
        socket.write(kRaise);
        socket.flush();
        while (socket.waitForReadyRead(kAnswerMs)) {
            if (socket.canReadLine()) {
                return socket.readLine() == kAnswer ? OtherRaised : OtherSilent;
            }
        }
        return OtherSilent;
    }
    // Nobody answers: a name left behind by a crashed instance is taken over.
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server.listen(m_name)) {
        QLocalServer::removeServer(m_name);
        (void)m_server.listen(m_name);
    }
    return Primary;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            if (socket->readLine() == kRaise) {
                emit raiseRequested();
                socket->write(kAnswer);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace app
