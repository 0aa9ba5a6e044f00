#include "listingfixture.h"
#include "testsupport.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "core/runningcopy.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

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
    setFolderPicker([&](QWidget *, const QString &title) {
        titleSeen = title;
        return answer;
    });
    answer = QString();
    QCOMPARE(funBrowseForFolder(nullptr, QStringLiteral("选择数据库路径：")), QString());
    QCOMPARE(titleSeen, QStringLiteral("选择数据库路径："));
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
