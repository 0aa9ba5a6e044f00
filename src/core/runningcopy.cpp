#include "core/runningcopy.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A folder that only this user can enter: the user's own, closed to group and others.
bool isPrivateFolder(const QString &folder)
{
    struct stat info;
    return ::stat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && info.st_uid == ::getuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Where the socket lives: the user's runtime folder, or without one (a session that no
// login manager started) a folder of the user's own. Never the shared temp folder, where
// another account could take the name first and stop every start. "" when neither is
// private.
QString socketFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isPrivateFolder(runtime))
        return runtime;
    const QString own
        = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/quillonix");
    QDir().mkpath(own);
    QFile::setPermissions(own, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return isPrivateFolder(own) ? own : QString();
}

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
    const QString path = RunningCopy::socketPath();
    if (path.isEmpty())
        return QByteArray();
    socket.connectToServer(path);
    if (!finished)
        loop.exec();
    if (!wantReply && socket.state() == QLocalSocket::ConnectedState)
        socket.waitForBytesWritten(timeoutMs);
    return reply.endsWith('\n') ? reply.chopped(1) : QByteArray();
}

} // namespace

namespace RunningCopy {

QString socketPath()
{
    const QString folder = socketFolder();
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/quillonix");
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
    // No access options: the folder is private already, and with them the server binds
    // elsewhere and renames its socket over the name, replacing a running copy's socket.
    m_server->setSocketOptions(QLocalServer::NoOptions);
    connect(m_server, &QLocalServer::newConnection, this, &RunningCopyServer::answer);
}

bool RunningCopyServer::listen()
{
    const QString path = RunningCopy::socketPath();
    if (path.isEmpty())
        return false;
    if (m_server->listen(path))
        return true;
    if (m_server->serverError() != QAbstractSocket::AddressInUseError)
        return false;
    // The socket of another copy that still runs stays: it keeps answering, this one not.
    QLocalSocket probe;
    probe.connectToServer(path);
    if (probe.waitForConnected(1000))
        return false;
    // Nobody answers on it: a socket left behind by a copy that ended abnormally.
    QLocalServer::removeServer(path);
    return m_server->listen(path);
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
