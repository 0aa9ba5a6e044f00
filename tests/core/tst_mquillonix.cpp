#include "listingfixture.h"
#include "testsupport.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/runningcopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// A socket file that nobody answers on, as a copy that ended abnormally leaves behind.
void leaveStaleSocket(const QString &path)
{
    const int handle = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof(address.sun_path));
    QVERIFY(::bind(handle, reinterpret_cast<const sockaddr *>(&address), sizeof(address)) == 0);
    ::close(handle);
}

} // namespace

#include <sys/stat.h>

class TestModule : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }
    void cleanupTestCase() { setFolderPicker({}); }

    void connectStringJoinsFolderAndFileWithOneSlash();
    void unreachableDatabaseIsFalseWithoutAWord();
    void passwordRulesTrimBlanksAndKeepLetterCase();
    void fileTestCountsFilesOnlyAndForgivesLetterCase();
    void folderPickerGivesFolderWithoutTrailingSlash();
    void runningCopyIsFoundByCaptionPrefix();
    void runningCopySocketIsInAFolderOfTheUsersOwn_data();
    void runningCopySocketIsInAFolderOfTheUsersOwn();
    void liveCopysSocketStaysAndStaleOneIsReplaced();
    void settingKeepsTheDatabaseFolder();
};

void TestModule::connectStringJoinsFolderAndFileWithOneSlash()
{
    ListingFixture listings;
    gDBType = QStringLiteral("A");
    gDBPath = listings.folder() + QLatin1Char('/');
    QVERIFY(funConnectDatabase());
    QCOMPARE(gConnectString, QStringLiteral("uid=admin;pwd=qzbarnwet;driver={Microsoft Access Driver (*.mdb)};dbq=")
                                 + listings.folder() + QStringLiteral("/itdb.mdb"));
    QVERIFY(gConnection.isOpen());
    QCOMPARE(gConnection.connectionTimeout(), 30);

    // Another kind keeps the string as it was; the DSN kind has no file to open.
    gDBType = QStringLiteral("X");
    QVERIFY(funConnectDatabase());
    gDBType = QStringLiteral("S");
    QVERIFY(!funConnectDatabase());
    QCOMPARE(gConnectString, QStringLiteral("DSN=Pubs;UID=sa;PWD=mzt;"));
}

void TestModule::unreachableDatabaseIsFalseWithoutAWord()
{
    gDBType = QStringLiteral("A");
    gDBPath = TestSandbox::newFolder() + QStringLiteral("/not/there/");
    QVERIFY(!funConnectDatabase());
    QVERIFY(!gConnection.isOpen());
    QVERIFY(MessageScript::seen().isEmpty());
    QVERIFY(!QFile::exists(gDBPath + QStringLiteral("itdb.mdb")));
}

void TestModule::passwordRulesTrimBlanksAndKeepLetterCase()
{
    ListingFixture listings;
    listings.addUser(QStringLiteral("blanks"), QStringLiteral("  Secret "));
    listings.addUser(QStringLiteral("null"), QVariant());
    listings.addUser(QStringLiteral("empty"), QString(""));
    listings.addUser(QStringLiteral("number"), 1234);
    listings.connect();

    QVERIFY(funCheckPassword(QStringLiteral("blanks"), QStringLiteral("Secret")));
    QVERIFY(funCheckPassword(QStringLiteral("blanks"), QStringLiteral("   Secret  ")));
    QVERIFY(!funCheckPassword(QStringLiteral("blanks"), QStringLiteral("secret")));
    QVERIFY(!funCheckPassword(QStringLiteral("blanks"), QStringLiteral("\tSecret")));
    QVERIFY(funCheckPassword(QStringLiteral("null"), QStringLiteral("anything")));
    QVERIFY(funCheckPassword(QStringLiteral("null"), QString()));
    QVERIFY(funCheckPassword(QStringLiteral("empty"), QString()));
    QVERIFY(funCheckPassword(QStringLiteral("empty"), QStringLiteral("   ")));
    QVERIFY(!funCheckPassword(QStringLiteral("empty"), QStringLiteral("x")));
    QVERIFY(funCheckPassword(QStringLiteral("number"), QStringLiteral("1234")));
    // User names are matched as stored; another letter case is another, missing, user.
    QVERIFY_THROWS_EXCEPTION(DbError, funCheckPassword(QStringLiteral("BLANKS"), QStringLiteral("Secret")));
}

void TestModule::fileTestCountsFilesOnlyAndForgivesLetterCase()
{
    ListingFixture listings;
    const QString photo = listings.writePhoto(QStringLiteral("A1.JPG"));
    QVERIFY(funFileExists(photo));
    QCOMPARE(funLocateFile(photo), photo);
    const QString lowerCase = listings.pictureFolder() + QStringLiteral("/a1.jpg");
    QVERIFY(funFileExists(lowerCase));
    QCOMPARE(funLocateFile(lowerCase), photo);
    QVERIFY(!funFileExists(listings.pictureFolder()));
    QVERIFY(!funFileExists(listings.pictureFolder() + QLatin1Char('/')));
    QVERIFY(!funFileExists(listings.pictureFolder() + QStringLiteral("/a1.jpeg")));
    QVERIFY(!funFileExists(listings.folder() + QStringLiteral("/nowhere/a1.jpg")));
    QDir(listings.pictureFolder()).mkdir(QStringLiteral("Sub"));
    QVERIFY(!funFileExists(listings.pictureFolder() + QStringLiteral("/sub")));
    // A FIFO, a device or a broken link is no file, in any letter case.
    const QString fifo = listings.pictureFolder() + QStringLiteral("/Fifo.jpg");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QVERIFY(QFile::link(QStringLiteral("/dev/null"), listings.pictureFolder() + QStringLiteral("/Null.jpg")));
    QVERIFY(QFile::link(listings.pictureFolder() + QStringLiteral("/none.jpg"),
                        listings.pictureFolder() + QStringLiteral("/Broken.jpg")));
    QVERIFY(QFile::link(photo, listings.pictureFolder() + QStringLiteral("/Linked.jpg")));
    for (const char *name : {"Fifo.jpg", "fifo.jpg", "Null.jpg", "null.jpg", "Broken.jpg", "broken.jpg"})
        QVERIFY2(funLocateFile(listings.pictureFolder() + QLatin1Char('/') + QLatin1String(name)).isEmpty(), name);
    QVERIFY(!funFileExists(QStringLiteral("/dev/null")));
    // A link to a photo is that photo.
    QCOMPARE(funLocateFile(listings.pictureFolder() + QStringLiteral("/linked.jpg")),
             listings.pictureFolder() + QStringLiteral("/Linked.jpg"));
}

void TestModule::folderPickerGivesFolderWithoutTrailingSlash()
{
    QString answer;
    QString titleSeen;
    QString startSeen;
    setFolderPicker([&](QWidget *, const QString &title, const QString &start) {
        titleSeen = title;
        startSeen = start;
        return answer;
    });
    answer = QString();
    QCOMPARE(funBrowseForFolder(nullptr, QStringLiteral("选择数据库路径：")), QString());
    QCOMPARE(titleSeen, QStringLiteral("选择数据库路径："));
    // It opens at the folder asked for, or the nearest one above it that still exists.
    const QString folder = TestSandbox::newFolder();
    funBrowseForFolder(nullptr, QString(), folder + QLatin1Char('/'));
    QCOMPARE(QDir::cleanPath(startSeen), folder);
    funBrowseForFolder(nullptr, QString(), folder + QStringLiteral("/gone/away/"));
    QCOMPARE(startSeen, folder);
    answer = QStringLiteral("/");
    QCOMPARE(funBrowseForFolder(nullptr, QString()), QStringLiteral("/"));
    answer = QStringLiteral("/srv/data/");
    QCOMPARE(funBrowseForFolder(nullptr, QString()), QStringLiteral("/srv/data"));
    setFolderPicker({});
    QCOMPARE(funBrowseForFolder(nullptr, QString()), QString());
}

void TestModule::runningCopyIsFoundByCaptionPrefix()
{
    QVERIFY(!funFindWindowByCaption(QStringLiteral("- 查看房源 -")));

    QString caption;
    QObject owner;
    auto *server = new RunningCopyServer([&] { return caption; }, &owner);
    QVERIFY(server->listen());
    caption = QStringLiteral("- 查看房源 -");
    QVERIFY(funFindWindowByCaption(QStringLiteral("- 查看房源 -")));
    caption = QStringLiteral("   - 查看房源 - 天河分店");
    QVERIFY(funFindWindowByCaption(QStringLiteral("- 查看房源 -")));
    caption = QStringLiteral("旧版 - 查看房源 -");
    QVERIFY(!funFindWindowByCaption(QStringLiteral("- 查看房源 -")));
    caption = QStringLiteral("- 查看房");
    QVERIFY(!funFindWindowByCaption(QStringLiteral("- 查看房源 -")));

    QSignalSpy activations(server, &RunningCopyServer::activationRequested);
    RunningCopy::requestActivation();
    QVERIFY(activations.wait(2000) || activations.count() == 1);
}

void TestModule::runningCopySocketIsInAFolderOfTheUsersOwn_data()
{
    QTest::addColumn<bool>("runtimeSet");
    QTest::addColumn<bool>("runtimePrivate");
    QTest::newRow("runtime folder") << true << true;
    QTest::newRow("no runtime folder") << false << false;
    QTest::newRow("runtime folder open to others") << true << false;
}

void TestModule::runningCopySocketIsInAFolderOfTheUsersOwn()
{
    QFETCH(bool, runtimeSet);
    QFETCH(bool, runtimePrivate);
    const QString runtime = TestSandbox::newFolder();
    QVERIFY(QFile::setPermissions(runtime, runtimePrivate ? ownerOnly : ownerOnly | QFileDevice::ReadOther
                                                                              | QFileDevice::ExeOther));
    const QString cache = TestSandbox::newFolder();
    EnvironmentChange runtimeFolder("XDG_RUNTIME_DIR", runtimeSet ? QFile::encodeName(runtime) : QByteArray());
    EnvironmentChange cacheFolder("XDG_CACHE_HOME", QFile::encodeName(cache));
    const QString expectedFolder = runtimePrivate ? runtime : cache + QStringLiteral("/quillonix");

    // Another account took the name this program used in the shared temp folder, and
    // answers there like a running copy: it must not stop the start.
    QLocalServer squatter;
    QVERIFY(squatter.listen(QDir::tempPath() + QStringLiteral("/quillonix-%1").arg(::getuid())));
    connect(&squatter, &QLocalServer::newConnection, &squatter, [&squatter] {
        QLocalSocket *visitor = squatter.nextPendingConnection();
        visitor->write("- 查看房源 -\n");
        visitor->flush();
    });
    QVERIFY(!funFindWindowByCaption(QStringLiteral("- 查看房源 -")));

    QObject owner;
    auto *server = new RunningCopyServer([] { return QStringLiteral("- 查看房源 -"); }, &owner);
    QVERIFY(server->listen());
    QCOMPARE(QFileInfo(RunningCopy::socketPath()).absolutePath(), expectedFolder);
    QVERIFY(QFileInfo::exists(RunningCopy::socketPath()));
    QCOMPARE(QFile::permissions(expectedFolder) & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                                   | QFileDevice::ReadOther | QFileDevice::WriteOther
                                                   | QFileDevice::ExeOther),
             QFileDevice::Permissions());
    QVERIFY(funFindWindowByCaption(QStringLiteral("- 查看房源 -")));
}

void TestModule::liveCopysSocketStaysAndStaleOneIsReplaced()
{
    leaveStaleSocket(RunningCopy::socketPath());
    QVERIFY(QFileInfo::exists(RunningCopy::socketPath()));
    QVERIFY(!funFindWindowByCaption(QStringLiteral("- 查看房源 -")));
    QObject owner;
    auto *first = new RunningCopyServer([] { return QStringLiteral("- 查看房源 - 一"); }, &owner);
    QVERIFY(first->listen());
    QCOMPARE(RunningCopy::askCaption(), QStringLiteral("- 查看房源 - 一"));
    // A second main window while the first answers (it was busy when the second copy
    // asked): the first keeps its socket and goes on answering.
    auto *second = new RunningCopyServer([] { return QStringLiteral("- 查看房源 - 二"); }, &owner);
    QVERIFY(!second->listen());
    QCOMPARE(RunningCopy::askCaption(), QStringLiteral("- 查看房源 - 一"));
}

void TestModule::settingKeepsTheDatabaseFolder()
{
    QCOMPARE(funLoadDBPath(), QString());
    funSaveDBPath(QStringLiteral("/srv/房源"));
    QCOMPARE(funLoadDBPath(), QStringLiteral("/srv/房源"));
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"),
                       QStringLiteral("quillonix"));
    QCOMPARE(settings.value(QStringLiteral("quillonixSave/quillonixDBPath")).toString(), QStringLiteral("/srv/房源"));
}

QTEST_MAIN(TestModule)
#include "tst_mquillonix.moc"
