#include "tcpproxy.h"

#include "testserver.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>
#include <QtEndian>
#include <memory>

namespace {

// Reads the messages a client sends in PostgreSQL's protocol as they pass, and counts its
// requests: after the startup message, and any request for encryption before it, each message
// is a type byte and a length that counts itself.
class RequestCounter
{
public:
    // The requests in data, which continues what came before.
    int count(const QByteArray &data)
    {
        m_pending += data;
        int requests = 0;
        for (;;) {
            const qsizetype head = m_started ? 5 : 4;
            if (m_pending.size() < head)
                break;
            const qsizetype length = qFromBigEndian<qint32>(m_pending.constData() + head - 4) + (m_started ? 1 : 0);
            if (m_pending.size() < length)
                break;
            if (m_started) {
                const char type = m_pending.at(0);
                if (type == 'Q' || type == 'S')
                    ++requests;
            } else {
                // An SSLRequest or GSSENCRequest the server refused, or the startup message.
                const qint32 code = qFromBigEndian<qint32>(m_pending.constData() + 4);
                m_started = code != sslRequestCode && code != gssRequestCode;
            }
            m_pending.remove(0, length);
        }
        return requests;
    }

private:
    static constexpr qint32 sslRequestCode = 80877103;
    static constexpr qint32 gssRequestCode = 80877104;
    QByteArray m_pending;
    bool m_started = false;
};

} // namespace

class TcpProxy::Relay : public QObject
{
public:
    explicit Relay(const QString &socketPath) : m_socketPath(socketPath)
    {
        connect(&m_listener, &QTcpServer::newConnection, this, &Relay::accept);
    }

    quint16 listen()
    {
        if (!m_listener.listen(QHostAddress::LocalHost))
            qFatal("the proxy cannot listen: %s", qPrintable(m_listener.errorString()));
        return m_listener.serverPort();
    }

    void setDelay(std::chrono::milliseconds delay, bool silent)
    {
        m_delay = delay;
        m_silent = silent;
    }

    int connections() const { return m_connections; }
    int requests() const { return m_requests; }

    void dropAll()
    {
        for (QTcpSocket *desk : m_listener.findChildren<QTcpSocket *>())
            desk->abort();
    }

private:
    void accept()
    {
        while (QTcpSocket *desk = m_listener.nextPendingConnection()) {
            // The server's end lives and dies with the desk's.
            auto *server = new QLocalSocket(desk);
            server->connectToServer(m_socketPath);
            if (!server->waitForConnected(5000))
                qFatal("the proxy cannot reach %s", qPrintable(m_socketPath));
            ++m_connections;
            auto counter = std::make_shared<RequestCounter>();
            const auto fromDesk = [this, desk, server, counter] {
                const QByteArray data = desk->readAll();
                m_requests += counter->count(data);
                forward(data, server);
            };
            connect(desk, &QTcpSocket::readyRead, server, fromDesk);
            connect(server, &QLocalSocket::readyRead, desk, [this, desk, server] { forward(server->readAll(), desk); });
            connect(server, &QLocalSocket::disconnected, desk, &QTcpSocket::disconnectFromHost);
            connect(desk, &QTcpSocket::disconnected, desk, &QObject::deleteLater);
            if (desk->bytesAvailable() > 0)
                fromDesk();
        }
    }

    void forward(const QByteArray &data, QIODevice *to)
    {
        if (m_silent)
            return;
        if (m_delay.count() == 0) {
            to->write(data);
            return;
        }
        QTimer::singleShot(m_delay, to, [to, data] { to->write(data); });
    }

    QString m_socketPath;
    QTcpServer m_listener{this};
    std::chrono::milliseconds m_delay{0};
    bool m_silent = false;
    int m_connections = 0;
    int m_requests = 0;
};

TcpProxy::TcpProxy(const QString &socketPath) : m_relay(new Relay(socketPath))
{
    m_relay->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_relay, &QObject::deleteLater);
    m_thread.start();
    QMetaObject::invokeMethod(m_relay, [this] { m_port = m_relay->listen(); }, Qt::BlockingQueuedConnection);
}

TcpProxy::~TcpProxy()
{
    m_thread.quit();
    m_thread.wait();
}

void TcpProxy::pass()
{
    QMetaObject::invokeMethod(m_relay, [this] { m_relay->setDelay(std::chrono::milliseconds(0), false); },
                              Qt::BlockingQueuedConnection);
}

void TcpProxy::delay(std::chrono::milliseconds delay)
{
    QMetaObject::invokeMethod(m_relay, [this, delay] { m_relay->setDelay(delay, false); },
                              Qt::BlockingQueuedConnection);
}

void TcpProxy::swallow()
{
    QMetaObject::invokeMethod(m_relay, [this] { m_relay->setDelay(std::chrono::milliseconds(0), true); },
                              Qt::BlockingQueuedConnection);
}

void TcpProxy::drop(std::chrono::milliseconds after)
{
    QMetaObject::invokeMethod(
        m_relay, [this, after] { QTimer::singleShot(after, m_relay, [this] { m_relay->dropAll(); }); },
        Qt::BlockingQueuedConnection);
}

int TcpProxy::connections() const
{
    int connections = 0;
    QMetaObject::invokeMethod(m_relay, [this, &connections] { connections = m_relay->connections(); },
                              Qt::BlockingQueuedConnection);
    return connections;
}

int TcpProxy::requests() const
{
    int requests = 0;
    QMetaObject::invokeMethod(m_relay, [this, &requests] { requests = m_relay->requests(); },
                              Qt::BlockingQueuedConnection);
    return requests;
}

QString TcpProxy::clusterSocket()
{
    const QUrlQuery query(QUrl(TestServerDatabase::clusterUri()).query());
    return query.queryItemValue(QStringLiteral("host")) + QStringLiteral("/.s.PGSQL.")
           + query.queryItemValue(QStringLiteral("port"));
}
