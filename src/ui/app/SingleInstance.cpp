#include "ui/app/SingleInstance.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace dossiva {

namespace {
constexpr int kHandOverTimeoutMs = 1000;
} // namespace

SingleInstance::SingleInstance(QString serverName, QObject* parent)
    : QObject(parent), m_serverName(std::move(serverName))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::defaultServerName()
{
    return QStringLiteral("org.quorva.Dossiva-%1").arg(::getuid());
}

bool SingleInstance::handOver(const QStringList& files)
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(kHandOverTimeoutMs)) {
        return false;
    }
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << files;
    socket.write(message);
    socket.waitForBytesWritten(kHandOverTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

void SingleInstance::listen(std::function<void(const QStringList&)> arrived)
{
    m_arrived = std::move(arrived);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A server left by a crashed instance would block the name.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName)) {
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            // The later start writes its list and hangs up; the list is read
            // whole then, however it was split on the way.
            connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
                QDataStream stream(socket->readAll());
                QStringList files;
                stream >> files;
                socket->deleteLater();
                m_arrived(files);
            });
        }
    });
}

} // namespace dossiva
