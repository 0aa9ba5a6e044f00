#include "core/runningcopy.h"

#include <QEventLoop>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <unistd.h>

namespace {

const QByteArray captionRequest = QByteArrayLiteral("caption\n");
const QByteArray activationRequest = QByteArrayLiteral("activate\n");

// Sends one request and waits, without blocking the events of this process, for the
// reply line (when one is wanted). A server in this very process can answer meanwhile.
QByteArray exchange(const QByteArray &request, bool wantReply, int timeoutMs)
{
    QLocalSocket socket;
    QEventLoop loop;
    QByteArray reply;
    bool finished = false;
    const auto finish = [&] {
        finished = true;
        loop.quit();
    };
    QObject::connect(&socket, &QLocalSocket::connected, &loop, [&] {
        socket.write(request);
        socket.flush();
        if (!wantReply)
            finish();
    });
    QObject::connect(&socket, &QLocalSocket::readyRead, &loop, [&] {
        reply += socket.readAll();
        if (reply.endsWith('\n'))
            finish();
    });
    QObject::connect(&socket, &QLocalSocket::errorOccurred, &loop, finish);
    QObject::connect(&socket, &QLocalSocket::disconnected, &loop, finish);
    QTimer::singleShot(timeoutMs, &loop, finish);
    socket.connectToServer(RunningCopy::socketName());
    if (!finished)
        loop.exec();
    if (!wantReply && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForBytesWritten(timeoutMs);
    return reply.endsWith('\n') ? reply.chopped(1) : QByteArray();
}

} // namespace

namespace RunningCopy {

QString socketName()
{
    return QStringLiteral("quillonix-%1").arg(getuid());
}

QString askCaption(int timeoutMs)
{
    return QString::fromUtf8(exchange(captionRequest, true, timeoutMs));
}

void requestActivation(int timeoutMs)
{
    exchange(activationRequest, false, timeoutMs);
}

} // namespace RunningCopy

RunningCopyServer::RunningCopyServer(std::function<QString()> caption, QObject *parent)
    : QObject(parent), m_caption(std::move(caption)), m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RunningCopyServer::answer);
}

bool RunningCopyServer::listen()
{
    const QString name = RunningCopy::socketName();
    if (m_server->listen(name))
        return true;
    // A socket left behind by a copy that ended abnormally: nobody answers on it.
    QLocalServer::removeServer(name);
    return m_server->listen(name);
}

void RunningCopyServer::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray request = socket->readLine();
                if (request == captionRequest)
                    socket->write(m_caption().toUtf8() + '\n');
                else if (request == activationRequest)
                    emit activationRequested();
            }
        });
    }
}
