#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace single_instance {

namespace {
// Named pipes are seen by every user of a Windows machine, so the user's name goes into the pipe's.
QString userKey() {
#ifdef _WIN32
    return qEnvironmentVariable("USERNAME");
#else
    return QString::number(::getuid());
#endif
}

const QByteArray Request = "raise\n";
const QByteArray Answer = "raised\n";
} // namespace

QString serverName(const QString& folder) {
    // The same folder reached through a link is the same folder; another user's instance is not ours.
    const QString canonical = QDir(folder).canonicalPath();
    const QByteArray hash = QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(),
                                                     QCryptographicHash::Sha1);
    return QStringLiteral("vantoria-%1-%2").arg(userKey()).arg(QString::fromLatin1(hash.toHex().left(24)));
}

FirstInstance::FirstInstance(const QString& folder, QObject* parent) : QObject(parent) {
    server_.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&server_, &QLocalServer::newConnection, this, &FirstInstance::onNewConnection);
    server_.listen(serverName(folder)); // without it a second start finds no answer and says so
}

void FirstInstance::onNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const bool request = socket->readLine(64) == Request;
            if (request) {
                emit raiseRequested();
                socket->write(Answer);
            }
            socket->disconnectFromServer(); // after the answer is written
        });
    }
}

bool askFirstToRaise(const QString& folder, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(serverName(folder));
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write(Request);
    if (!socket.waitForBytesWritten(int(deadline.remainingTime())))
        return false;
    QByteArray reply;
    while (!reply.endsWith('\n') && !deadline.hasExpired() &&
           socket.waitForReadyRead(int(deadline.remainingTime())))
        reply += socket.readAll();
    reply += socket.readAll(); // what came with the end of the connection
    return reply == Answer;
}

} // namespace single_instance
