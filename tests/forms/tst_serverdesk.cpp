#include "demodatabase.h"
#include "listingfixture.h"
#include "mainwindowfixture.h"
#include "tcpproxy.h"
#include "testserver.h"
#include "testsupport.h"
#include "windowwatch.h"

#include "core/connection.h"
#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/pgsession.h"
#include "core/recordset.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/detailpanel.h"
#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/reportlistview.h"
#include "forms/main/statuspanels.h"
#include "forms/quillonixprogram.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QtEndian>

#include <future>

#include <libpq-fe.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>

// The front desk on a shared server database: a listing database loaded into the test
// server with quillonix-import shows what the same database shows as a file; changes made
// on the server show at once; a lost server is reported and found again; a server that falls
// silent, behind a network of the test's own, never holds up the window; and the desk's
// password goes to no server that does not prove itself.
class TestServerDesk : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanup() { QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending())); }

    void serverShowsWhatTheFileShows_data();
    void serverShowsWhatTheFileShows();
    void statementsMeanOnTheServerWhatTheyMeanInTheFile_data();
    void statementsMeanOnTheServerWhatTheyMeanInTheFile();
    void changesOnTheServerShowAtTheNextSearch();
    void serverMadeByOtherMeansReadsInPlainForm();
    void serverFileIsReadAsWritten_data();
    void serverFileIsReadAsWritten();
    void unusableServerGetsTheQuestionWithTheCause_data();
    void unusableServerGetsTheQuestionWithTheCause();
    void passwordGoesToNoServerThatProvesNothing_data();
    void passwordGoesToNoServerThatProvesNothing();
    void passwordGoesToAServerThatProvesItself_data();
    void passwordGoesToAServerThatProvesItself();
    void lostServerIsReportedAndFoundAgain();
    void faultyNetworkNeverHoldsUpTheWindow_data();
    void faultyNetworkNeverHoldsUpTheWindow();
    void deskFollowsWhatAnotherPartyChanges_data();
    void deskFollowsWhatAnotherPartyChanges();
    void lostConnectionIsNoticedAndListenedOnAgain();

private:
    // The odd data as a file and loaded into the server, made once for the statements.
    struct OddPair
    {
        ListingFixture file;
        TestServerDatabase server;
        QString serverFolder;
    };
    OddPair &oddPair();
    std::unique_ptr<OddPair> m_oddPair;
};

namespace {

const QString connectQuestion = QStringLiteral("数据库连接失败，不能进入系统，重新确定数据库位置吗？");

QString runTool(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(QCoreApplication::applicationDirPath() + QLatin1Char('/') + tool, arguments);
    if (!process.waitForFinished(90000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("%1 failed: %2").arg(tool, QString::fromUtf8(process.readAllStandardError()));
    return QString();
}

void writeServerFile(const QString &folder, const QByteArray &content)
{
    writeTestFile(folder + QStringLiteral("/itdb.conn"), content);
}

// A desk's folder for the server database: itdb.conn naming it, the photos of the file's
// folder on the "shared folder".
QString serverFolderFor(const QString &fileFolder, const QString &uri)
{
    const QString folder = TestSandbox::newFolder();
    writeServerFile(folder, uri.toUtf8() + '\n');
    if (!QFile::link(fileFolder + QStringLiteral("/picture"), folder + QStringLiteral("/picture")))
        qFatal("cannot link the photos into %s", qPrintable(folder));
    return folder;
}

// A listing database of the odd data agencies' databases hold: Nulls beside empty text,
// quotes, byte-order marks, numbers stored every way, listings changed in the same second,
// duplicate numbers, photos with blanks and without files.
void writeOddListings(ListingFixture &listings)
{
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    listings.addUser(QStringLiteral("O'Brien"), QStringLiteral("it's"));
    listings.addUser(QVariant(), QStringLiteral("nobody"));
    listings.addUser(QString(""), QVariant());
    listings.addUser(QStringLiteral("店长"), QStringLiteral(" 1234 "));
    listings.storeTextBytes(QStringLiteral("user"), QStringLiteral("yhm"), markedUtf8Bytes(QStringLiteral("店长")),
                            QStringLiteral("yhm='店长'"));
    for (const QVariantList &setting : QVector<QVariantList>{{1, "天河区"},
                                                           {1, "O'Hara湾"},
                                                           {2, "x' OR '1'='1"},
                                                           {2, "住宅"},
                                                           {2, "商铺"},
                                                           {1, QVariant()},
                                                           {QVariant(), "无类"},
                                                           {"1", "海珠区"},
                                                           {1.0, " 番禺区 "},
                                                           {3, "中介费"}})
        listings.addSetting(setting.at(0), setting.at(1));
    listings.storeTextBytes(QStringLiteral("parasetting"), QStringLiteral("lbm"),
                            markedUtf8Bytes(QStringLiteral("商铺")), QStringLiteral("lbm='商铺'"));
    const QString sameSecond = QStringLiteral("2025-03-01 09:30:00");
    QString memo;
    while (memo.size() < 10000)
        memo += QStringLiteral("南北通透，近地铁，");
    const QVector<std::pair<QString, QVariantMap>> houses = {
        {"QX'01", {{"qy", "O'Hara湾"}, {"wylb", "住宅"}, {"fpyx", 2}, {"wymc", "碧桂园3栋"}, {"jzmz", 85.5},
                   {"zj", 1500}, {"sj", 0.1 + 0.2}, {"Qtss", memo}, {"xgsj", sameSecond}}},
        {"A' OR 'x'='x", {{"qy", "天河区"}, {"wylb", "商铺"}, {"fpyx", 1}, {"seq", -1}, {"xgsj", sameSecond}}},
        {"TIE-1", {{"qy", "天河区"}, {"wylb", "住宅"}, {"fpyx", 1}, {"wymc", "乙"}, {"xgsj", sameSecond}}},
        {"TIE-1", {{"qy", "天河区"}, {"wylb", "住宅"}, {"fpyx", 1}, {"wymc", "甲"}, {"xgsj", sameSecond}}},
        {"TIE-2", {{"qy", "海珠区"}, {"wylb", "住宅"}, {"fpyx", 3}, {"jzmz", QVariant()}, {"xgsj", sameSecond}}},
        {"TIE-3", {{"qy", QVariant()}, {"wylb", QString("")}, {"fpyx", QVariant()}, {"xgsj", sameSecond}}},
        {"NOTIME-1", {{"qy", "天河区"}, {"xgsj", QVariant()}, {"wymc", QString("")}, {"cx", QVariant()}}},
        {"NOTIME-2", {{"qy", "天河区"}, {"xgsj", QVariant()}, {"fpyx", 9}, {"lc", 12}, {"Zlc", 33}}},
        {"NUMBERS", {{"jzmz", 100.0}, {"Symz", -0.25}, {"zj", 1e21}, {"sj", 268.5}, {"Glf", 280.5}, {"lc", -1},
                     {"dh", -1}, {"dsj", 2}, {"dbx", QVariant()}, {"xyj", "1"}, {"kt", 0}, {"nq", 1.0}, {"jj", 0.5},
                     {"dt", 1}}},
        {"BLANKS", {{"wymc", "  两边空格  "}, {"cx", " "}, {"wyhx", "三房\t两厅"}, {"qy", " 番禺区 "}}},
        {"GONE", {{"wyzt", 0}}},
        {"OTHER", {{"wyzt", 2}}},
        {"NOSTATUS", {{"wyzt", QVariant()}}},
        {"NOSEQ", {{"seq", QVariant()}}},
        {"LOWSEQ", {{"seq", -2}}},
    };
    for (const auto &house : houses)
        listings.addHouse(house.first, house.second);
    listings.storeTextBytes(QStringLiteral("house"), QStringLiteral("wymc"), markedUtf8Bytes(QStringLiteral("标记")),
                            QStringLiteral("fybh='TIE-2'"));
    listings.addPicture(QStringLiteral("QX'01"), QStringLiteral("qx'01-a.jpg"), QStringLiteral("  客厅  "));
    listings.addPicture(QStringLiteral("QX'01"), QStringLiteral("missing.jpg"), QStringLiteral("卧室"));
    listings.addPicture(QStringLiteral("QX'01"), QVariant(), QStringLiteral("\t厨房 "));
    listings.addPicture(QStringLiteral("TIE-1"), QStringLiteral("tie.png"), QVariant());
    listings.addPicture(QStringLiteral("NUMBERS"), QStringLiteral("N.JPG"), QStringLiteral("外景"));
    listings.writePhoto(QStringLiteral("qx'01-a.jpg"));
    listings.writePhoto(QStringLiteral("tie.png"), QSize(40, 30), "PNG");
    listings.writePhoto(QStringLiteral("n.jpg"));
}

// The source folder of a database of the given kind, written into a new folder.
QString writeSource(const QString &kind, std::unique_ptr<ListingFixture> &odd)
{
    if (kind == QLatin1String("demo")) {
        const QString folder = TestSandbox::newFolder();
        DemoOptions options;
        options.listings = 120;
        writeDemoDatabase(folder, options);
        return folder;
    }
    odd = std::make_unique<ListingFixture>();
    writeOddListings(*odd);
    return odd->folder();
}

QStringList entries(const QComboBox *choice)
{
    QStringList texts;
    for (int i = 0; i < choice->count(); ++i)
        texts << choice->itemText(i);
    return texts;
}

QString rowsOf(const ReportListView &list)
{
    QStringList rows;
    for (int row = 0; row < list.rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < list.rows().columnCount(); ++column)
            cells << list.rows().cell(row, column);
        rows << cells.join(QLatin1Char('\t')) + QStringLiteral(" key ")
                    + QString::fromLatin1(list.rows().key(row).bytes().toHex());
    }
    return rows.join(QLatin1Char('\n'));
}

void chooseOfferType(const MainLayout &controls, int index)
{
    QTest::mouseClick(controls.optOpen[size_t(index)], Qt::LeftButton, {}, QPoint(5, 7));
}

// Everything the desk shows of the database in a folder, in the order a user sees it: the
// users at login, the search lists, the hits of every choice of region, category and offer
// type, and the detail boxes and photo lists of every listing found, with every message.
QStringList screensOf(const QString &folder)
{
    QStringList screens;
    setMessageHandler([&screens](const QString &text, int flags, const QString &caption) {
        screens << QStringLiteral("message %1 %2: %3").arg(caption).arg(flags).arg(text);
        return MessageAnswer::Ok;
    });
    funSaveDBPath(folder);
    {
        frmQX_Login login;
        login.Form_Load();
        screens << QStringLiteral("users: ") + entries(control<QComboBox>(&login, QStringLiteral("cmbUserName"))).join(QStringLiteral(" | "));
    }
    funCloseDatabase();
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    if (!funConnectDatabase())
        qFatal("cannot connect to %s", qPrintable(folder));
    gUserName = QStringLiteral("经理");
    frmQX_Quillonix window;
    window.Form_Load();
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("the main window was not shown");
    const MainLayout &controls = window.controls();
    screens << QStringLiteral("regions: ") + entries(controls.cmbQy).join(QStringLiteral(" | "));
    screens << QStringLiteral("categories: ") + entries(controls.cmbWylb).join(QStringLiteral(" | "));
    for (int offerType = 0; offerType < 4; ++offerType) {
        chooseOfferType(controls, offerType);
        for (int region = 0; region < controls.cmbQy->count(); ++region) {
            for (int category = 0; category < controls.cmbWylb->count(); ++category) {
                controls.cmbQy->setCurrentIndex(region);
                controls.cmbWylb->setCurrentIndex(category);
                QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
                screens << QStringLiteral("search %1 %2 %3:\n").arg(offerType).arg(region).arg(category)
                               + rowsOf(*controls.lsvHouse);
            }
        }
    }
    chooseOfferType(controls, 0);
    controls.cmbQy->setCurrentIndex(0);
    controls.cmbWylb->setCurrentIndex(0);
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    for (int row = 0; row < controls.lsvHouse->rowCount(); ++row) {
        MainWindowFixture::clickRow(*controls.lsvHouse, row);
        QStringList shown;
        for (const QLineEdit *box : controls.detailBoxes)
            shown << box->objectName() + QLatin1Char('=') + box->text();
        screens << QStringLiteral("listing %1: ").arg(row) + shown.join(QLatin1Char('\n'));
        screens << QStringLiteral("photos %1: ").arg(row)
                       + MainWindowFixture::entries(*controls.List1).join(QStringLiteral(" | ")) + QStringLiteral(" / ")
                       + MainWindowFixture::entries(*controls.List).join(QStringLiteral(" | "));
    }
    window.hide();
    funCloseDatabase();
    MessageScript::install();
    return screens;
}

// The rows of a statement, every cell in its plain text form, Null marked.
QStringList resultOf(const QString &folder, const QString &statement, const QVariantList &values)
{
    Connection connection;
    connection.setConnectionString(QStringLiteral("dbq=") + folder + QStringLiteral("/itdb.mdb"));
    QStringList rows;
    try {
        connection.open();
        Recordset found;
        found.open(statement, connection, values);
        rows << QString::number(found.recordCount());
        for (; !found.eof(); found.moveNext()) {
            QStringList cells;
            for (int column = 0; column < found.fieldCount(); ++column)
                cells << (found.field(column).isValid() ? found.text(column).toString() : QStringLiteral("<Null>"));
            rows << cells.join(QLatin1Char('\t'));
        }
    } catch (const DbError &error) {
        rows << QStringLiteral("failed: ") + error.report();
    }
    return rows;
}

// A cluster of the test's own, which it may stop and start again: stopped and thrown away
// at the end, whatever happens.
class PrivateCluster
{
public:
    // With a port, the server listens there on 127.0.0.1 too, with TLS and SCRAM.
    explicit PrivateCluster(quint16 tlsPort = 0) : m_handle(TestSandbox::newFolder())
    {
        const QStringList tls = tlsPort ? QStringList{QStringLiteral("--tls"), QString::number(tlsPort)} : QStringList();
        if (!command(QStringLiteral("start"), tls))
            qFatal("cannot start a cluster of the test's own");
        QFile uri(m_handle + QStringLiteral("/uri"));
        if (!uri.open(QIODevice::ReadOnly))
            qFatal("the cluster wrote no URI");
        m_uri = QString::fromUtf8(uri.readAll()).trimmed();
    }
    ~PrivateCluster() { command(QStringLiteral("stop")); }

    const QString &uri() const { return m_uri; }
    // The server's own certificate, with TLS.
    QString certificate() const { return m_handle + QStringLiteral("/cluster/server.crt"); }
    bool pause() { return command(QStringLiteral("pause")); }
    bool resume() { return command(QStringLiteral("resume")); }

private:
    bool command(const QString &verb, const QStringList &options = {})
    {
        QProcess script;
        script.start(QStringLiteral(QUILLONIX_PGCLUSTER), QStringList{verb, m_handle} + options);
        return script.waitForFinished(90000) && script.exitStatus() == QProcess::NormalExit && script.exitCode() == 0;
    }

    QString m_handle;
    QString m_uri;
};

// The demo database of 20 listings loaded into the server the URI names, and a database
// folder whose itdb.conn names it; "" when that fails.
QString demoFolderOn(const QString &uri)
{
    const QString folder = TestSandbox::newFolder();
    const QString failure = runTool(QStringLiteral("quillonix-demodb"), {uri, QStringLiteral("--listings"),
                                                                        QStringLiteral("20"), QStringLiteral("--folder"),
                                                                        folder});
    if (!failure.isEmpty())
        qWarning("%s", qPrintable(failure));
    return failure.isEmpty() ? folder : QString();
}

// The desk as it starts on a server: the demo database of 20 listings loaded into it, a
// database folder whose itdb.conn names it, 经理 logged in.
void connectDeskToDemoOn(const QString &uri)
{
    const QString folder = demoFolderOn(uri);
    QVERIFY(!folder.isEmpty());
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    QVERIFY(funConnectDatabase());
    gUserName = QStringLiteral("经理");
}

// Runs statements on the database the URI names, through libpq; false when one fails.
bool execOn(const QString &uri, const QString &statements)
{
    PGconn *connection = PQconnectdb(uri.toUtf8().constData());
    const bool done = PQstatus(connection) == CONNECTION_OK && [&] {
        PGresult *result = PQexec(connection, statements.toUtf8().constData());
        const bool succeeded = PQresultStatus(result) == PGRES_COMMAND_OK;
        if (!succeeded)
            qWarning("%s", PQerrorMessage(connection));
        PQclear(result);
        return succeeded;
    }();
    PQfinish(connection);
    return done;
}

// The test database reached through the proxy, over TCP.
QString uriThrough(const TcpProxy &proxy, const TestServerDatabase &server)
{
    return QStringLiteral("postgresql://quillonix@127.0.0.1:%1/%2?sslmode=disable").arg(proxy.port()).arg(server.name());
}

// What this process's TCP socket connected to port on 127.0.0.1 is set to, as the test
// rows of serverFileIsReadAsWritten write it; "" when there is no such socket.
QString tcpOptionsOfSocketTo(quint16 port)
{
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &length) != 0 || peer.sin_family != AF_INET
            || ntohs(peer.sin_port) != port)
            continue;
        const auto option = [fd](int level, int name) {
            int value = -1;
            socklen_t size = sizeof value;
            return getsockopt(fd, level, name, &value, &size) == 0 ? value : -1;
        };
        const QString userTimeout = QStringLiteral("user time-out %1").arg(option(IPPROTO_TCP, TCP_USER_TIMEOUT));
        if (option(SOL_SOCKET, SO_KEEPALIVE) == 0)
            return QStringLiteral("no keepalive, ") + userTimeout;
        return QStringLiteral("keepalive %1 %2 %3, ")
                   .arg(option(IPPROTO_TCP, TCP_KEEPIDLE))
                   .arg(option(IPPROTO_TCP, TCP_KEEPINTVL))
                   .arg(option(IPPROTO_TCP, TCP_KEEPCNT))
            + userTimeout;
    }
    return QString();
}

// No wait on the server longer than this, for as long as this lives.
class LongestWait
{
public:
    explicit LongestWait(std::chrono::milliseconds longest) { PgSession::setLongestWait(longest); }
    ~LongestWait() { PgSession::setLongestWait(std::chrono::milliseconds(0)); }
    LongestWait(const LongestWait &) = delete;
    LongestWait &operator=(const LongestWait &) = delete;
};

// Runs statements on the database the URI names from a thread of its own, as another party
// does, while the window goes on; true when they succeeded.
bool execElsewhere(const QString &uri, const QString &statements)
{
    std::future<bool> done = std::async(std::launch::async, execOn, uri, statements);
    while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
        QTest::qWait(10);
    return done.get();
}

// A FIFO at path: opening it to read waits for a writer for ever.
void makeFifo(const QString &path)
{
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        qFatal("cannot make the FIFO %s", qPrintable(path));
}

// A TCP port of this machine on which nothing listens.
quint16 closedPort()
{
    QTcpServer listener;
    if (!listener.listen(QHostAddress::LocalHost))
        qFatal("cannot find a free port");
    return listener.serverPort();
}

// Starts the program on a database folder and logs 经理 in with his password; the main
// window, or nullptr when the program ended on the way.
frmQX_Quillonix *logIn(QuillonixProgram &program, const QString &folder)
{
    funSaveDBPath(folder);
    if (!program.start())
        return nullptr;
    frmQX_Login *login = program.loginForm();
    auto *users = control<QComboBox>(login, QStringLiteral("cmbUserName"));
    users->setCurrentIndex(users->findText(QStringLiteral("经理")));
    control<QLineEdit>(login, QStringLiteral("txtPassword"))->setText(QStringLiteral("8888"));
    QTest::mouseClick(control<QPushButton>(login, QStringLiteral("cmdOK")), Qt::LeftButton);
    return program.mainWindow();
}

// A desk logged in on the demo database through the proxy, showing the first hit.
struct DeskThroughProxy
{
    explicit DeskThroughProxy(const TestServerDatabase &server, const QString &folder)
        : proxy(TcpProxy::clusterSocket())
    {
        writeServerFile(folder, uriThrough(proxy, server).toUtf8());
        window = logIn(program, folder);
        if (!window || !QTest::qWaitForWindowExposed(window))
            return;
        const MainLayout &controls = window->controls();
        QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
        hits = MainWindowFixture::column(*controls.lsvHouse, 0);
        if (hits.size() >= 2)
            MainWindowFixture::clickRow(*controls.lsvHouse, 0);
    }

    QString box(const QString &name) const { return control<QLineEdit>(window, name)->text(); }
    QString notice() const { return window->controls().stbBottom->panelText(2); }
    QStringList photos() const { return MainWindowFixture::entries(*control<QListWidget>(window, QStringLiteral("List"))); }

    TcpProxy proxy;
    QuillonixProgram program;
    frmQX_Quillonix *window = nullptr;
    QStringList hits;
};

// A server of the test's own that speaks just enough of PostgreSQL's protocol to ask the
// desk for its password in clear text, and keeps whatever password comes.
class ClearTextPasswordServer
{
public:
    ClearTextPasswordServer()
    {
        if (!m_listener.listen(QHostAddress::LocalHost))
            qFatal("the password server cannot listen");
        QObject::connect(&m_listener, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *desk = m_listener.nextPendingConnection()) {
                auto received = std::make_shared<QByteArray>();
                auto started = std::make_shared<bool>(false);
                QObject::connect(desk, &QTcpSocket::readyRead, desk, [this, desk, received, started] {
                    *received += desk->readAll();
                    answer(*desk, *received, *started);
                });
            }
        });
    }

    quint16 port() const { return m_listener.serverPort(); }
    // The password messages that came, each as sent.
    const QByteArrayList &passwords() const { return m_passwords; }

private:
    static QByteArray message(char type, const QByteArray &body)
    {
        QByteArray bytes(1, type);
        bytes += bigEndian(quint32(body.size() + 4)) + body;
        return bytes;
    }
    static QByteArray bigEndian(quint32 value)
    {
        QByteArray bytes(4, '\0');
        qToBigEndian(value, bytes.data());
        return bytes;
    }

    void answer(QTcpSocket &desk, QByteArray &received, bool &started)
    {
        for (;;) {
            if (!started) {
                if (received.size() < 8)
                    return;
                const quint32 length = qFromBigEndian<quint32>(received.constData());
                const quint32 code = qFromBigEndian<quint32>(received.constData() + 4);
                if (received.size() < qsizetype(length))
                    return;
                received.remove(0, length);
                // A request for TLS or GSS encryption is refused; the start-up message is
                // answered by asking for the password in clear text.
                if (length == 8 && (code == 80877103 || code == 80877104)) {
                    desk.write("N");
                    continue;
                }
                started = true;
                desk.write(message('R', bigEndian(3)));
                continue;
            }
            if (received.size() < 5)
                return;
            const quint32 length = qFromBigEndian<quint32>(received.constData() + 1);
            if (received.size() < qsizetype(length) + 1)
                return;
            if (received.at(0) == 'p') {
                m_passwords << received.mid(5, length - 4);
                QByteArray refusal;
                for (const char *field : {"SFATAL", "VFATAL", "C28P01",
                                          "Mpassword authentication failed for user \"quillonix\""})
                    refusal += QByteArray(field) + '\0';
                desk.write(message('E', refusal + '\0'));
                desk.disconnectFromHost();
            }
            received.remove(0, length + 1);
        }
    }

    QTcpServer m_listener;
    QByteArrayList m_passwords;
};

} // namespace

void TestServerDesk::serverShowsWhatTheFileShows_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the demo database") << "demo";
    QTest::newRow("odd data") << "odd";
}

void TestServerDesk::serverShowsWhatTheFileShows()
{
    QFETCH(QString, kind);
    std::unique_ptr<ListingFixture> odd;
    const QString fileFolder = writeSource(kind, odd);
    TestServerDatabase server;
    QCOMPARE(runTool(QStringLiteral("quillonix-import"),
                     {fileFolder + QStringLiteral("/itdb.mdb"), server.uri()}),
             QString());
    const QString serverFolder = serverFolderFor(fileFolder, server.uri());

    const QStringList fromFile = screensOf(fileFolder);
    const QStringList fromServer = screensOf(serverFolder);
    // The screens show something worth comparing: hits, listings and photos.
    QVERIFY(fromFile.join(QLatin1Char('\n')).count(QStringLiteral(" key ")) > 20);
    QVERIFY(!fromFile.filter(QRegularExpression(QStringLiteral("^photos \\d+: \\S"))).isEmpty());
    QCOMPARE(fromServer.size(), fromFile.size());
    for (int i = 0; i < fromFile.size(); ++i)
        QCOMPARE(fromServer.at(i), fromFile.at(i));
}

void TestServerDesk::statementsMeanOnTheServerWhatTheyMeanInTheFile_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QVariantList>("values");
    QTest::newRow("a mark inside quotes is no value")
        << "SELECT yhm FROM user WHERE yhm=? OR yhm='?' OR yhm=\"yhm\" || '?'" << QVariantList{"经理"};
    QTest::newRow("a mark inside a comment is no value")
        << "SELECT fybh /* ? */ FROM house -- which? \n WHERE fybh=? ORDER BY fybh" << QVariantList{"QX'01"};
    QTest::newRow("user in quotes is text") << "SELECT 'user', yhm FROM user WHERE xgr <> 'user' ORDER BY yhm"
                                            << QVariantList();
    QTest::newRow("Null first going up") << "SELECT fybh, jzmz FROM house ORDER BY jzmz, fybh" << QVariantList();
    QTest::newRow("Null last going down")
        << "SELECT fybh, xgsj FROM house ORDER BY xgsj DESC, fybh asc" << QVariantList();
    QTest::newRow("order inside a count")
        << "SELECT count(*) FROM (SELECT fybh FROM house ORDER BY qy desc LIMIT 5) AS counted" << QVariantList();
    QTest::newRow("order of a window") << "SELECT fybh, row_number() OVER (ORDER BY qy DESC, fybh) FROM house ORDER BY 2"
                                       << QVariantList();
    QTest::newRow("names in other letter case") << "SELECT \"Wytd\", JZMZ, Symz FROM HOUSE WHERE \"FYBH\"=?"
                                                << QVariantList{"NUMBERS"};
    QTest::newRow("LIKE ignores the case of A to Z") << "SELECT fybh FROM house WHERE fybh LIKE ? ORDER BY fybh"
                                                     << QVariantList{"tie%"};
    QTest::newRow("numbers bound") << "SELECT fybh FROM house WHERE fpyx=? AND jzmz=? ORDER BY fybh"
                                   << QVariantList{2, 85.5};
    QTest::newRow("Null bound finds nothing") << "SELECT fybh FROM house WHERE qy=?" << QVariantList{QVariant()};
    QTest::newRow("empty text is no Null") << "SELECT fybh FROM house WHERE wylb=?" << QVariantList{QString("")};
}

TestServerDesk::OddPair &TestServerDesk::oddPair()
{
    if (!m_oddPair) {
        m_oddPair = std::make_unique<OddPair>();
        writeOddListings(m_oddPair->file);
        const QString failure = runTool(QStringLiteral("quillonix-import"),
                                        {m_oddPair->file.databaseFile(), m_oddPair->server.uri()});
        if (!failure.isEmpty())
            qFatal("%s", qPrintable(failure));
        m_oddPair->serverFolder = serverFolderFor(m_oddPair->file.folder(), m_oddPair->server.uri());
    }
    return *m_oddPair;
}

void TestServerDesk::statementsMeanOnTheServerWhatTheyMeanInTheFile()
{
    QFETCH(QString, statement);
    QFETCH(QVariantList, values);
    const OddPair &odd = oddPair();
    const QStringList fromFile = resultOf(odd.file.folder(), statement, values);
    QVERIFY2(!fromFile.first().startsWith(QLatin1String("failed")), qPrintable(fromFile.first()));
    QCOMPARE(resultOf(odd.serverFolder, statement, values), fromFile);
}

void TestServerDesk::changesOnTheServerShowAtTheNextSearch()
{
    TestServerDatabase server;
    connectDeskToDemoOn(server.uri());
    if (QTest::currentTestFailed())
        return;
    frmQX_Quillonix window;
    window.Form_Load();
    window.show();
    const MainLayout &controls = window.controls();
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    const QStringList before = MainWindowFixture::column(*controls.lsvHouse, 0);
    QVERIFY(before.size() >= 3);
    MainWindowFixture::clickRow(*controls.lsvHouse, 0);
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtFybh"))->text(), before.first());

    // The back office, at its own desk: a new listing, a changed one, a withdrawn one.
    QVERIFY2(server.exec(QStringLiteral(
                 "INSERT INTO house (fybh, fpyx, wyzt, seq, xgsj, wymc) VALUES ('NEW-1', 2, 1, 0, '2099-01-01 08:00:00', '新盘');"
                 "UPDATE house SET wymc = '改过的名字' WHERE fybh = '%1';"
                 "UPDATE house SET wyzt = 0 WHERE fybh = '%2'")
                                 .arg(before.at(1), before.at(2))),
             qPrintable(server.lastError()));
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    QStringList expected = before;
    expected.removeAt(2);
    expected.prepend(QStringLiteral("NEW-1"));
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 0), expected);
    QCOMPARE(controls.lsvHouse->rows().cell(0, 2), QStringLiteral("新盘"));
    QCOMPARE(controls.lsvHouse->rows().cell(2, 2), QStringLiteral("改过的名字"));
    // Loading the changed listing shows its change too.
    MainWindowFixture::clickRow(*controls.lsvHouse, 2);
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtWymc"))->text(), QStringLiteral("改过的名字"));
    // The back office gives the listings a column more: the desk's statements still run.
    QVERIFY2(server.exec(QStringLiteral("ALTER TABLE house ADD COLUMN bz text")), qPrintable(server.lastError()));
    MainWindowFixture::clickRow(*controls.lsvHouse, 0);
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtWymc"))->text(), QStringLiteral("新盘"));
    funCloseDatabase();
}

void TestServerDesk::serverMadeByOtherMeansReadsInPlainForm()
{
    TestServerDatabase server;
    QVERIFY2(server.exec(QStringLiteral(
                 "CREATE TABLE house (fybh varchar(20), fpyx smallint, wyzt integer, seq integer, xgsj timestamp(3),"
                 " qy varchar(10), wylb character(4), wylx text, wytd text, wyhx text, wymc text, jzmz numeric(10,2),"
                 " symz real, cx text, ch boolean, yt integer, wsj integer, zx text, jg text, ll text, zlc integer,"
                 " lc integer, dh smallint, dsj smallint, dbx smallint, xyj smallint, kt smallint, nq smallint,"
                 " jj smallint, gdmq smallint, dt smallint, wyqy text, cqz text, qtss text, sj numeric(12,2),"
                 " zj double precision, glf numeric, skyq text, skfs bytea);"
                 "CREATE TABLE picture (fybh varchar(20), seq integer, tpbh varchar(40), tpm varchar(40));"
                 "CREATE TABLE parasetting (lbh integer, lbm varchar(20));"
                 "CREATE TABLE \"user\" (yhm varchar(20), yhkl varchar(20), xgr varchar(20), xgsj timestamptz);"
                 "INSERT INTO \"user\" VALUES ('经理', '8888', 'TEST', now());"
                 "INSERT INTO parasetting VALUES (1, '天河区'), (2, '住宅');"
                 "INSERT INTO house (fybh, fpyx, wyzt, seq, xgsj, qy, wylb, jzmz, symz, ch, sj, zj, glf, skfs, dh)"
                 " VALUES ('OLDER', 2, 1, 0, '2025-01-01 08:00:00.250', '天河区', '住宅', 85.50, 80.5, true,"
                 " 1500.00, 1e20, 0.10, 'A''1'::bytea, 1),"
                 " ('NEWER', 1, 1, 0, '2025-01-01 08:00:00.750', '天河区', '住宅', 100.00, NULL, false,"
                 " NULL, 1500, 12.50, NULL, 0),"
                 " ('UNDATED', 1, 1, 0, NULL, '天河区', '住宅', NULL, NULL, NULL, NULL, -0.5, NULL, NULL, NULL)")),
             qPrintable(server.lastError()));
    const QString folder = TestSandbox::newFolder();
    writeServerFile(folder, server.uri().toUtf8());
    gDBType = QStringLiteral("A");
    gDBPath = folder + QLatin1Char('/');
    QVERIFY(funConnectDatabase());
    gUserName = QStringLiteral("经理");
    frmQX_Quillonix window;
    window.Form_Load();
    window.show();
    const MainLayout &controls = window.controls();
    controls.cmbQy->setCurrentIndex(1);
    controls.cmbWylb->setCurrentIndex(1);
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    // Newest first to the fraction of a second; without a time last. A character(4) keeps
    // its blanks, as the server gives them.
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 0), (QStringList{"NEWER", "OLDER", "UNDATED"}));
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 5), (QStringList{"100", "85.5", ""}));
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 8), (QStringList{"1500", "100000000000000000000", "-0.5"}));
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 9), (QStringList{"", "1500", ""}));
    MainWindowFixture::clickRow(*controls.lsvHouse, 1);
    const auto box = [&window](const char *name) {
        return control<QLineEdit>(&window, QString::fromLatin1(name))->text();
    };
    QCOMPARE(box("txtFybh"), QStringLiteral("OLDER"));
    QCOMPARE(box("txtFpyx"), QStringLiteral("出售"));
    QCOMPARE(box("txtWylb"), QStringLiteral("住宅  "));
    QCOMPARE(box("txtJzmz"), QStringLiteral("85.5"));
    QCOMPARE(box("txtSymz"), QStringLiteral("80.5"));
    // Yes/No as the Access files have it: -1 and 0.
    QCOMPARE(box("txtCh"), QStringLiteral("-1"));
    QCOMPARE(box("txtSj"), QStringLiteral("1500"));
    QCOMPARE(box("txtGlf"), QStringLiteral("0.1"));
    QCOMPARE(box("txtWysx"), QStringLiteral("电话"));
    QCOMPARE(box("txtSkfs"), QStringLiteral("A'1"));
    MainWindowFixture::clickRow(*controls.lsvHouse, 0);
    QCOMPARE(box("txtCh"), QStringLiteral("0"));
    QCOMPARE(box("txtSymz"), QString());
    QCOMPARE(box("txtGlf"), QStringLiteral("12.5"));
    funCloseDatabase();
}

void TestServerDesk::serverFileIsReadAsWritten_data()
{
    QTest::addColumn<QByteArray>("content"); // {socket}: the test database on its socket; {tcp}: over TCP
    QTest::addColumn<QByteArray>("password"); // PGPASSWORD, or none
    // Over TCP, what the desk's socket is set to: keepalive idle, interval and count, then the
    // user time-out (ms); "" over the Unix socket.
    QTest::addColumn<QString>("socketOptions");
    const QString desksOwn = QStringLiteral("keepalive 30 10 3, user time-out 30000");
    QTest::newRow("comment lines and blank lines first")
        << QByteArray("# 总部的服务器\n\n   # 旧的：postgresql://desk@old-server/agency\n{socket}\n") << QByteArray()
        << QString();
    QTest::newRow("written on Windows: a byte-order mark, CR LF")
        << QByteArray("\xEF\xBB\xBF# 总部\r\n{socket}\r\n# 完\r\n") << QByteArray() << QString();
    QTest::newRow("a password at hand, over the Unix socket")
        << QByteArray("{socket}") << QByteArray("secret") << QString();
    QTest::newRow("over TCP without a password") << QByteArray("{tcp}") << QByteArray() << desksOwn;
    QTest::newRow("a password at hand, over TCP, clear text allowed in itdb.conn")
        << QByteArray("{tcp}&channel_binding=disable") << QByteArray("secret") << desksOwn;
    QTest::newRow("keepalives and time-out of itdb.conn's own")
        << QByteArray("{tcp}&keepalives_idle=7&keepalives_interval=2&keepalives_count=5&tcp_user_timeout=4000")
        << QByteArray() << QStringLiteral("keepalive 7 2 5, user time-out 4000");
    // libpq sets the user time-out only where keepalives are on; the desk's own deadline
    // still ends a wait on a silent server.
    QTest::newRow("keepalives off in itdb.conn") << QByteArray("{tcp}&keepalives=0") << QByteArray()
                                                 << QStringLiteral("no keepalive, user time-out 0");
}

void TestServerDesk::serverFileIsReadAsWritten()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, password);
    QFETCH(QString, socketOptions);
    TestServerDatabase server;
    QVERIFY2(server.exec(QStringLiteral("CREATE TABLE \"user\" (yhm text, yhkl text, xgr text, xgsj timestamp(0));"
                                        "INSERT INTO \"user\" VALUES ('经理', '8888', 'TEST', now())")),
             qPrintable(server.lastError()));
    const TcpProxy proxy(TcpProxy::clusterSocket());
    const QString folder = TestSandbox::newFolder();
    writeServerFile(folder, content.replace("{socket}", server.uri().toUtf8())
                                .replace("{tcp}", uriThrough(proxy, server).toUtf8()));
    const EnvironmentChange desksPassword("PGPASSWORD", password);
    funSaveDBPath(folder);
    QuillonixProgram program;
    QVERIFY(program.start());
    QCOMPARE(entries(control<QComboBox>(program.loginForm(), QStringLiteral("cmbUserName"))),
             QStringList{QStringLiteral("经理")});
    if (!socketOptions.isEmpty())
        QCOMPARE(tcpOptionsOfSocketTo(proxy.port()), socketOptions);
}

void TestServerDesk::unusableServerGetsTheQuestionWithTheCause_data()
{
    // {folder}: a folder of the test's, with the FIFO "fifo" and the folder "folder" in it;
    // {socket}: the test database on its socket; {no database}: a database the cluster does
    // not have; {silent}: over TCP, where nothing answers;
    // {tcp}: over TCP; {closed}: a port where nothing listens.
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("password"); // PGPASSWORD, or none
    QTest::addColumn<QString>("cause"); // a regular expression for the lines under the question

    const QString unreachable = QStringLiteral("不能连接数据库服务器：");
    QTest::newRow("no server on the socket")
        << QByteArray("postgresql://quillonix@/quillonix?host=/nonexistent-quillonix&port=5432\n") << QByteArray()
        << unreachable + QStringLiteral(".*/nonexistent-quillonix/.*");
    QTest::newRow("no such database") << QByteArray("{no database}") << QByteArray()
                                      << unreachable + QStringLiteral(".*no_such_database.*");
    QTest::newRow("a role the server does not know")
        << QByteArray("{socket}&user=nobody_here") << QByteArray() << unreachable + QStringLiteral(".*nobody_here.*");
    QTest::newRow("a host that is not found")
        << QByteArray("postgresql://quillonix@quillonix-no-such-host.invalid/quillonix?sslmode=disable")
        << QByteArray() << unreachable + QStringLiteral(".*quillonix-no-such-host\\.invalid.*");
    QTest::newRow("a port where nothing listens") << QByteArray("postgresql://quillonix@127.0.0.1:{closed}/quillonix")
                                                  << QByteArray() << unreachable + QStringLiteral(".*127\\.0\\.0\\.1.*");
    QTest::newRow("a server that does not answer")
        << QByteArray("{silent}") << QByteArray()
        << unreachable + QStringLiteral("127\\.0\\.0\\.1 在 1\\.5 秒内没有回答。");
    QTest::newRow("a password at hand, over TCP, to a server that proves nothing")
        << QByteArray("{tcp}") << QByteArray("secret")
        << unreachable + QStringLiteral(".*channel binding.*\\n口令只发给证明了自己的服务器（SCRAM 通道绑定，或"
                                        " sslmode=verify-full 验证的证书）：这台服务器没有证明，口令没有发给它。");

    const QString passwordRefused = QStringLiteral("itdb\\.conn 中不能写口令（%1）：口令放在各台电脑的 ~/\\.pgpass 或"
                                                   " PGPASSWORD 中。");
    QTest::newRow("a password in the URI") << QByteArray("postgresql://quillonix:secret@/quillonix?host=/tmp")
                                           << QByteArray() << passwordRefused.arg(QStringLiteral("password"));
    QTest::newRow("a password as a key") << QByteArray("{socket}&password=secret") << QByteArray()
                                         << passwordRefused.arg(QStringLiteral("password"));
    QTest::newRow("the key's password") << QByteArray("{socket}&sslpassword=secret") << QByteArray()
                                        << passwordRefused.arg(QStringLiteral("sslpassword"));
    QTest::newRow("a password file") << QByteArray("{socket}&passfile={folder}/pgpass") << QByteArray()
                                     << passwordRefused.arg(QStringLiteral("passfile"));
    QTest::newRow("a password in text libpq cannot read")
        << QByteArray("host=server password='secret") << QByteArray() << passwordRefused.arg(QStringLiteral("password"));
    QTest::newRow("the root certificate a FIFO")
        << QByteArray("{socket}&sslrootcert={folder}/fifo") << QByteArray()
        << QStringLiteral("itdb\\.conn 中 sslrootcert 指定的不是普通文件：/.*/fifo");
    QTest::newRow("the certificate a folder") << QByteArray("{socket}&sslcert={folder}/folder") << QByteArray()
                                              << QStringLiteral("itdb\\.conn 中 sslcert 指定的不是普通文件：/.*/folder");
    QTest::newRow("the key missing") << QByteArray("{socket}&sslkey={folder}/missing.key") << QByteArray()
                                     << QStringLiteral("itdb\\.conn 中 sslkey 指定的文件不存在：/.*/missing\\.key");
    QTest::newRow("the revocation list a FIFO, the folder of them a file")
        << QByteArray("{socket}&sslcrl={folder}/fifo&sslcrldir={folder}/fifo") << QByteArray()
        << QStringLiteral("itdb\\.conn 中 sslcrl 指定的不是普通文件：/.*/fifo\\n"
                          "itdb\\.conn 中 sslcrldir 指定的不是文件夹：/.*/fifo");
    QTest::newRow("a line for each fault")
        << QByteArray("{socket}&sslpassword=secret&sslrootcert={folder}/fifo&password=secret") << QByteArray()
        << passwordRefused.arg(QStringLiteral("password")) + QStringLiteral("\\n")
               + passwordRefused.arg(QStringLiteral("sslpassword"))
               + QStringLiteral("\\nitdb\\.conn 中 sslrootcert 指定的不是普通文件：/.*/fifo");
    QTest::newRow("words, not a connection") << QByteArray("the server in the back office\n") << QByteArray()
                                             << QStringLiteral("itdb\\.conn 中的服务器连接写得不对：.+");
    QTest::newRow("an empty file") << QByteArray("\n\n") << QByteArray()
                                   << QStringLiteral("/.*/itdb\\.conn 中没有服务器连接。");
    QTest::newRow("comments only") << QByteArray("# 总部的服务器\n#{socket}\n") << QByteArray()
                                   << QStringLiteral("/.*/itdb\\.conn 中没有服务器连接。");
}

void TestServerDesk::unusableServerGetsTheQuestionWithTheCause()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, password);
    QFETCH(QString, cause);
    TestServerDatabase server;
    TcpProxy proxy(TcpProxy::clusterSocket());
    // A usable database file beside it changes nothing: itdb.conn names the database.
    ListingFixture listings;
    listings.addUser(QStringLiteral("经理"), QStringLiteral("8888"));
    const QString folder = TestSandbox::newFolder();
    makeFifo(folder + QStringLiteral("/fifo"));
    QVERIFY(QDir(folder).mkdir(QStringLiteral("folder")));
    if (content.contains("{silent}"))
        proxy.swallow();
    const QByteArray tcp = uriThrough(proxy, server).toUtf8();
    content.replace("{folder}", QFile::encodeName(folder))
        .replace("{socket}", server.uri().toUtf8())
        .replace("{no database}", TestServerDatabase::uriOf(QStringLiteral("no_such_database")).toUtf8())
        .replace("{silent}", tcp)
        .replace("{tcp}", tcp)
        .replace("{closed}", QByteArray::number(closedPort()));
    writeServerFile(listings.folder(), content);
    const EnvironmentChange desksPassword("PGPASSWORD", password);
    const LongestWait shortWait(std::chrono::milliseconds(1500));
    funSaveDBPath(listings.folder());

    QStringList shown;
    setMessageHandler([&shown](const QString &text, int flags, const QString &caption) {
        shown << QStringLiteral("%1 %2: %3").arg(caption).arg(flags).arg(text);
        return MessageAnswer::No;
    });
    const ProgramLog log;
    QElapsedTimer clock;
    clock.start();
    QuillonixProgram program;
    QVERIFY(!program.start());
    const qint64 elapsed = clock.elapsed();
    MessageScript::install();

    QCOMPARE(shown.size(), 1);
    const QString asked = QStringLiteral("连接数据库 20: ") + connectQuestion + QStringLiteral("\n\n");
    QVERIFY2(shown.first().startsWith(asked), qPrintable(shown.first()));
    const QString reason = shown.first().mid(asked.size());
    QVERIFY2(QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(cause)).match(reason).hasMatch(),
             qPrintable(reason));
    // The same in the desk's journal, in one line, and never a password.
    QCOMPARE(log.lines(), QStringList{QStringLiteral("quillonix.db: 连接数据库：") + connectQuestion + QLatin1Char(' ')
                                      + reason.split(QLatin1Char('\n')).join(QLatin1Char(' '))});
    QVERIFY(!log.lines().join(QLatin1Char('\n')).contains(QStringLiteral("secret")));
    // Within the deadline, and a moment to answer.
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
    QVERIFY(!gConnection.isOpen());
}

void TestServerDesk::passwordGoesToNoServerThatProvesNothing_data()
{
    QTest::addColumn<QByteArray>("content"); // {port}: the port of the server that asks
    QTest::addColumn<QString>("passwordFrom");
    QTest::addColumn<bool>("sent");
    QTest::addColumn<QString>("cause");

    const QString unproven = QStringLiteral(
        "不能连接数据库服务器：.*channel binding.*\\n口令只发给证明了自己的服务器.*");
    const QByteArray server("postgresql://quillonix@127.0.0.1:{port}/agency");
    QTest::newRow("PGPASSWORD") << server << "PGPASSWORD" << false << unproven;
    QTest::newRow("PGPASSWORD, without TLS") << server + "?sslmode=disable" << "PGPASSWORD" << false << unproven;
    QTest::newRow("the password file") << server << "the password file" << false << unproven;
    QTest::newRow("clear text allowed in itdb.conn")
        << server + "?channel_binding=disable" << "PGPASSWORD" << true
        << QStringLiteral("不能连接数据库服务器：.*password authentication failed for user \"quillonix\".*");
}

void TestServerDesk::passwordGoesToNoServerThatProvesNothing()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, passwordFrom);
    QFETCH(bool, sent);
    QFETCH(QString, cause);
    const QByteArray password = "desk's secret";
    ClearTextPasswordServer asking;
    const QString folder = TestSandbox::newFolder();
    writeServerFile(folder, content.replace("{port}", QByteArray::number(asking.port())));
    const QString passwordFile = TestSandbox::newFolder() + QStringLiteral("/pgpass");
    writeTestFile(passwordFile, "*:*:*:*:" + password + '\n');
    QVERIFY(QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const bool fromEnvironment = passwordFrom == QLatin1String("PGPASSWORD");
    const EnvironmentChange desksPassword("PGPASSWORD", fromEnvironment ? password : QByteArray());
    const EnvironmentChange desksPasswordFile("PGPASSFILE", QFile::encodeName(passwordFile));
    if (fromEnvironment)
        QVERIFY(QFile::remove(passwordFile));
    funSaveDBPath(folder);

    QString reason;
    setMessageHandler([&reason](const QString &text, int, const QString &) {
        reason = text.section(QStringLiteral("\n\n"), 1);
        return MessageAnswer::No;
    });
    QuillonixProgram program;
    QVERIFY(!program.start());
    MessageScript::install();
    QVERIFY2(QRegularExpression(QStringLiteral("\\A(?:%1)\\z").arg(cause)).match(reason).hasMatch(),
             qPrintable(reason));
    QCOMPARE(asking.passwords(), sent ? QByteArrayList{password + '\0'} : QByteArrayList());
}

void TestServerDesk::passwordGoesToAServerThatProvesItself_data()
{
    QTest::addColumn<QString>("options"); // of the URI in itdb.conn; {certificate}: the server's
    QTest::addColumn<QString>("passwordFrom");
    QTest::newRow("SCRAM with channel binding, over TLS") << QString() << "PGPASSWORD";
    QTest::newRow("a certificate verified")
        << QStringLiteral("?sslmode=verify-full&sslrootcert={certificate}") << "the password file";
}

void TestServerDesk::passwordGoesToAServerThatProvesItself()
{
    QFETCH(QString, options);
    QFETCH(QString, passwordFrom);
    // The server as the README sets it up: TLS with a certificate of its own, passwords by SCRAM.
    const quint16 port = closedPort();
    PrivateCluster cluster(port);
    const QString folder = demoFolderOn(cluster.uri());
    QVERIFY(!folder.isEmpty());
    // A desk role with a password, and a listing whose text takes many TLS records.
    QVERIFY(execOn(cluster.uri(),
                   QStringLiteral("CREATE ROLE desk LOGIN PASSWORD 'desk''s secret';"
                                  "GRANT SELECT ON house, picture, parasetting, \"user\" TO desk;"
                                  "UPDATE house SET qtss = repeat('南北通透，近地铁，', 20000) WHERE fybh ="
                                  " (SELECT max(fybh) FROM house WHERE seq >= -1 AND wyzt = 1)")));
    writeServerFile(folder, QStringLiteral("postgresql://desk@127.0.0.1:%1/quillonix").arg(port).toUtf8()
                                + options.replace(QStringLiteral("{certificate}"), cluster.certificate()).toUtf8());
    const QString passwordFile = TestSandbox::newFolder() + QStringLiteral("/pgpass");
    writeTestFile(passwordFile, "*:*:*:desk:desk's secret\n");
    QVERIFY(QFile::setPermissions(passwordFile, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const bool fromEnvironment = passwordFrom == QLatin1String("PGPASSWORD");
    const EnvironmentChange desksPassword("PGPASSWORD", fromEnvironment ? QByteArray("desk's secret") : QByteArray());
    const EnvironmentChange desksPasswordFile("PGPASSFILE", QFile::encodeName(passwordFile));

    QuillonixProgram program;
    frmQX_Quillonix *window = logIn(program, folder);
    QVERIFY(window);
    const MainLayout &controls = window->controls();
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    const QStringList hits = MainWindowFixture::column(*controls.lsvHouse, 0);
    QVERIFY(!hits.isEmpty());
    MainWindowFixture::clickRow(*controls.lsvHouse, int(hits.indexOf(*std::max_element(hits.cbegin(), hits.cend()))));
    QVERIFY(control<QLineEdit>(window, QStringLiteral("txtQtss"))->text()
            == QStringLiteral("南北通透，近地铁，").repeated(20000));
}

void TestServerDesk::lostServerIsReportedAndFoundAgain()
{
    PrivateCluster cluster;
    connectDeskToDemoOn(cluster.uri());
    if (QTest::currentTestFailed())
        return;
    frmQX_Quillonix window;
    window.Form_Load();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const MainLayout &controls = window.controls();
    ReportListView &results = *controls.lsvHouse;
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    const QStringList hits = MainWindowFixture::column(results, 0);
    QVERIFY(!hits.isEmpty());

    // The server stops: the search that meets it says so, and leaves the window usable.
    QVERIFY(cluster.pause());
    MessageScript::expect(QStringLiteral("检索房源失败：(-2147467259)与数据库服务器的连接已断开，下一次操作时重新连接。"),
                          16, QStringLiteral("搜索房源"));
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    QVERIFY(MessageScript::allShown());
    QCOMPARE(results.rowCount(), 0);
    QVERIFY(window.isVisible() && window.isEnabled());
    // The next search tries again, and says the server cannot be reached while it is down.
    QString report;
    setMessageHandler([&report](const QString &text, int, const QString &) {
        report = text;
        return MessageAnswer::Ok;
    });
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    MessageScript::install();
    QVERIFY2(report.startsWith(QStringLiteral("检索房源失败：(-2147467259)不能连接数据库服务器：")), qPrintable(report));

    // Back again: the next search connects and finds what it found before.
    QVERIFY(cluster.resume());
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    QCOMPARE(MainWindowFixture::column(results, 0), hits);

    // A listing loaded while the server is gone: the detail panel says so, the next loads.
    QVERIFY(cluster.pause());
    MessageScript::expect(QStringLiteral("不能读取房源资料：(-2147467259)与数据库服务器的连接已断开，下一次操作时重新连接。"),
                          64, QStringLiteral("物业资料"));
    MainWindowFixture::clickRow(results, 1);
    QVERIFY(MessageScript::allShown());
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtFybh"))->text(), QString());
    QVERIFY(cluster.resume());
    MainWindowFixture::clickRow(results, 0);
    QCOMPARE(control<QLineEdit>(&window, QStringLiteral("txtFybh"))->text(), hits.first());
    funCloseDatabase();
}

void TestServerDesk::faultyNetworkNeverHoldsUpTheWindow_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message"); // of the search that meets the fault; "" for none

    const QString noAnswer
        = QStringLiteral("检索房源失败：(-2147217871)数据库服务器在 3 秒内没有回答，已断开连接，下一次操作时重新连接。");
    QTest::newRow("the server falls silent") << "silent" << noAnswer;
    QTest::newRow("answers come later than the deadline") << "delayed beyond" << noAnswer;
    QTest::newRow("the connection is cut during the search")
        << "cut during" << QStringLiteral("检索房源失败：(-2147467259)与数据库服务器的连接已断开，下一次操作时重新连接。");
    QTest::newRow("answers come late, within the deadline") << "delayed within" << QString();
    QTest::newRow("the connection is cut while the desk waits") << "cut before" << QString();
}

void TestServerDesk::faultyNetworkNeverHoldsUpTheWindow()
{
    QFETCH(QString, fault);
    QFETCH(QString, message);
    TestServerDatabase server;
    const QString folder = demoFolderOn(server.uri());
    QVERIFY(!folder.isEmpty());
    TcpProxy proxy(TcpProxy::clusterSocket());
    writeServerFile(folder, uriThrough(proxy, server).toUtf8());
    QuillonixProgram program;
    frmQX_Quillonix *window = logIn(program, folder);
    QVERIFY(window);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const MainLayout &controls = window->controls();
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    const QStringList hits = MainWindowFixture::column(*controls.lsvHouse, 0);
    QVERIFY(!hits.isEmpty());
    // The connection time-out is the deadline; a second keeps the test short: the server
    // stops a statement after a second, the desk waits two more for its word.
    gConnection.setConnectionTimeout(1);

    if (fault == QLatin1String("silent")) {
        proxy.swallow();
    } else if (fault == QLatin1String("delayed beyond")) {
        proxy.delay(std::chrono::seconds(5));
    } else if (fault == QLatin1String("delayed within")) {
        proxy.delay(std::chrono::milliseconds(400));
    } else if (fault == QLatin1String("cut during")) {
        proxy.delay(std::chrono::seconds(1));
        proxy.drop(std::chrono::milliseconds(300));
    } else {
        proxy.drop();
        // The desk notices while nobody waits, and connects again at the next action.
        QTest::qWait(300);
    }
    if (!message.isEmpty())
        MessageScript::expect(message, 16, QStringLiteral("搜索房源"));
    const WindowWatch watch(*window);
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    const qint64 took = watch.elapsed();
    QVERIFY(MessageScript::allShown());
    QVERIFY2(watch.longestGap < 100, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(watch.longestGap)));
    QVERIFY2(took < 4500, qPrintable(QString::number(took)));
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 0), message.isEmpty() ? hits : QStringList());
    if (took > 400) {
        // A wait that takes a moment says so.
        QVERIFY(watch.busy);
        QVERIFY(watch.readingPanel.contains(QStringLiteral("正在读取数据库……")));
    }
    if (took > 1200)
        QVERIFY2(watch.clockPanel.size() >= 2, "the clock stood still");
    QCOMPARE(controls.stbBottom->panelText(2), QString());
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(window->isVisible() && window->isEnabled());

    // The network passes again: the next search connects again if it must, and finds.
    proxy.pass();
    QTest::mouseClick(controls.cmdSearch, Qt::LeftButton);
    QCOMPARE(MainWindowFixture::column(*controls.lsvHouse, 0), hits);
}

void TestServerDesk::deskFollowsWhatAnotherPartyChanges_data()
{
    QTest::addColumn<bool>("trigger");
    QTest::addColumn<QString>("change"); // %1 the listing shown, %2 another hit
    QTest::addColumn<QString>("notice"); // "" for none; %1 the listing shown
    QTest::addColumn<int>("requests"); // of the desk; -1 for those of reading the listing shown
    QTest::addColumn<QString>("name");   // shown in txtWymc afterwards; %1 as it was
    QTest::addColumn<QString>("photo");  // the last photo afterwards; %1 as it was

    const QString updated = QStringLiteral("房源 %1 的资料已更新");
    const QString gone = QStringLiteral("房源 %1 已下架或已删除");
    const QString hits = QStringLiteral("检索结果可能已变，按检索刷新");
    QTest::newRow("nothing changes") << true << QString() << QString() << 0 << "%1" << "%1";
    QTest::newRow("another listing changes")
        << true << "UPDATE house SET wymc = '别家改了' WHERE fybh = '%2'" << hits << 0 << "%1" << "%1";
    QTest::newRow("the price of the listing shown changes")
        << true << "UPDATE house SET sj = 95, wymc = '降价了' WHERE fybh = '%1'" << updated << -1 << "降价了" << "%1";
    QTest::newRow("a photo is added to the listing shown")
        << true << "INSERT INTO picture (fybh, tpbh, tpm) VALUES ('%1', 'new.jpg', '新照片')" << updated << -1 << "%1"
        << "新照片";
    QTest::newRow("the listing shown is withdrawn")
        << true << "UPDATE house SET wyzt = 0 WHERE fybh = '%1'" << gone << -1 << "" << "";
    // A listing that is no more is asked for once: its photos are not.
    QTest::newRow("the listing shown is deleted") << true << "DELETE FROM house WHERE fybh = '%1'" << gone << 1 << ""
                                                  << "";
    QTest::newRow("10 000 listings change at once, the one shown among them")
        << true << "UPDATE house SET wymc = '全部改过'" << updated << -1 << "全部改过" << "%1";
    QTest::newRow("the listing shown changes in 200 transactions in a row")
        << true << QStringLiteral("BEGIN; UPDATE house SET sj = coalesce(sj, 0) + 1 WHERE fybh = '%1'; COMMIT; ").repeated(200)
        << updated << -1 << "%1" << "%1";
    QTest::newRow("a server without the trigger")
        << false << "UPDATE house SET wymc = '没人说' WHERE fybh = '%1'" << QString() << 0 << "%1" << "%1";
}

void TestServerDesk::deskFollowsWhatAnotherPartyChanges()
{
    QFETCH(bool, trigger);
    QFETCH(QString, change);
    QFETCH(QString, notice);
    QFETCH(int, requests);
    QFETCH(QString, name);
    QFETCH(QString, photo);
    TestServerDatabase server;
    const QString folder = demoFolderOn(server.uri());
    QVERIFY(!folder.isEmpty());
    // Listings enough for a bulk change of 10 000, withdrawn long ago: the searches do not list them.
    QVERIFY2(server.exec(QStringLiteral(
                 "INSERT INTO house (fybh, fpyx, wyzt, seq, xgsj, wymc)"
                 " SELECT 'OLD-' || n, 2, 0, 0, '2000-01-01 08:00:00', '旧盘' FROM generate_series(1, 10000) AS n")),
             qPrintable(server.lastError()));
    if (!trigger) {
        QVERIFY2(server.exec(QStringLiteral("DROP TRIGGER quillonix_listing_changed ON house;"
                                            "DROP TRIGGER quillonix_listing_changed ON picture")),
                 qPrintable(server.lastError()));
    }
    DeskThroughProxy desk(server, folder);
    QVERIFY(desk.window);
    QVERIFY(desk.hits.size() >= 2);
    const QString shown = desk.hits.at(0);
    QCOMPARE(desk.box(QStringLiteral("txtFybh")), shown);
    const QString nameBefore = desk.box(QStringLiteral("txtWymc"));
    const QString photoBefore = desk.photos().value(desk.photos().size() - 1);
    // What one reading of the listing shown asks of the server, every statement prepared.
    int before = desk.proxy.requests();
    desk.window->detailPanel().refresh();
    const int oneReading = desk.proxy.requests() - before;
    QVERIFY(oneReading > 0);

    const WindowWatch watch(*desk.window);
    before = desk.proxy.requests();
    if (!change.isEmpty())
        QVERIFY(execElsewhere(server.uri(), QString(change).replace("%1", shown).replace("%2", desk.hits.at(1))));
    if (notice.isEmpty()) {
        // Long enough for any word from the server to be taken up.
        QTest::qWait(1500);
        QCOMPARE(desk.notice(), QString());
    } else {
        QTRY_COMPARE_WITH_TIMEOUT(desk.notice(), notice.arg(shown), 3000);
        // Long enough for a second reading, were there one.
        QTest::qWait(500);
    }
    QCOMPARE(desk.proxy.requests() - before, requests < 0 ? oneReading : requests);
    QCOMPARE(desk.box(QStringLiteral("txtWymc")), name.arg(nameBefore));
    QCOMPARE(desk.photos().value(desk.photos().size() - 1), photo.arg(photoBefore));
    QVERIFY2(watch.longestGap < 100, qPrintable(QStringLiteral("the window stood still for %1 ms").arg(watch.longestGap)));
    QCOMPARE(desk.proxy.connections(), 1);
}

void TestServerDesk::lostConnectionIsNoticedAndListenedOnAgain()
{
    TestServerDatabase server;
    const QString folder = demoFolderOn(server.uri());
    QVERIFY(!folder.isEmpty());
    DeskThroughProxy desk(server, folder);
    QVERIFY(desk.window);
    QVERIFY(desk.hits.size() >= 2);
    const QString shown = desk.hits.at(0);

    // The connection is cut while the desk waits: it notices, says nothing, and does not
    // connect again by itself.
    desk.proxy.drop();
    QTest::qWait(500);
    QCOMPARE(desk.proxy.connections(), 1);
    QCOMPARE(desk.notice(), QString());
    // The next action connects again, and listens again.
    QTest::mouseClick(desk.window->controls().cmdSearch, Qt::LeftButton);
    QCOMPARE(MainWindowFixture::column(*desk.window->controls().lsvHouse, 0), desk.hits);
    QCOMPARE(desk.proxy.connections(), 2);
    MainWindowFixture::clickRow(*desk.window->controls().lsvHouse, 0);
    QVERIFY(execElsewhere(server.uri(), QStringLiteral("UPDATE house SET wymc = '又改了' WHERE fybh = '%1'").arg(shown)));
    QTRY_COMPARE_WITH_TIMEOUT(desk.notice(), QStringLiteral("房源 %1 的资料已更新").arg(shown), 3000);
    QCOMPARE(desk.box(QStringLiteral("txtWymc")), QStringLiteral("又改了"));
}

QTEST_MAIN(TestServerDesk)
#include "tst_serverdesk.moc"

