#include "ui/app/SingleInstance.h"

#include <QDataStream>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace dossiva {

namespace {
constexpr int kHandOverTimeoutMs = 1000;
} // namespace

SingleInstance::SingleInstance(QObject* parent) : QObject(parent)
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName()
{
    return QStringLiteral("org.quorva.Dossiva-%1").arg(::getuid());
}

bool SingleInstance::handOver(const QStringList& files)
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
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

void SingleInstance::listen(std::function<void(const QString&)> openFile)
{
    m_openFile = std::move(openFile);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A server left by a crashed instance would block the name.
    QLocalServer::removeServer(serverName());
    if (!m_server->listen(serverName())) {
        return;
    }
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                QDataStream stream(socket->readAll());
                QStringList files;
                stream >> files;
                for (const QString& file : files) {
                    m_openFile(file);
                }
            });
        }
    });
}

} // namespace dossiva
