#include "tcpproxy.h"

#include "testserver.h"

#include <QLocalSocket>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

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
            connect(desk, &QTcpSocket::readyRead, server, [this, desk, server] { forward(desk->readAll(), server); });
            connect(server, &QLocalSocket::readyRead, desk, [this, desk, server] { forward(server->readAll(), desk); });
            connect(server, &QLocalSocket::disconnected, desk, &QTcpSocket::disconnectFromHost);
            connect(desk, &QTcpSocket::disconnected, desk, &QObject::deleteLater);
            if (desk->bytesAvailable() > 0)
                forward(desk->readAll(), server);
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

QString TcpProxy::clusterSocket()
{
    const QUrlQuery query(QUrl(TestServerDatabase::clusterUri()).query());
    return query.queryItemValue(QStringLiteral("host")) + QStringLiteral("/.s.PGSQL.")
           + query.queryItemValue(QStringLiteral("port"));
}
