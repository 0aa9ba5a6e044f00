#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/login/frmQX_Login.h"
#include "forms/quillonixprogram.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

// The login started on an agency's Access database: fruit.mdb, which has no user table.
class TestLoginAccess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { TestSandbox::setUp(); }
    void init() { TestSandbox::reset(); }

    void missingUserTableIsReportedAndTheLoginStaysUsable();
    void startUpShowsABusyCursorWhileTheFileIsRead();
};

void TestLoginAccess::missingUserTableIsReportedAndTheLoginStaysUsable()
{
    const QString folder = TestSandbox::newFolder();
    const QString database = folder + QStringLiteral("/itdb.mdb");
    QVERIFY(QFile::copy(QStringLiteral(FRUIT_MDB), database));
    const QDateTime modified = QFileInfo(database).lastModified();
    funSaveDBPath(folder + QLatin1Char('/'));

    frmQX_Login login;
    MessageScript::expect(QStringLiteral("( 1)no such table: user"), 16, QStringLiteral("用户登录"));
    login.Form_Load();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
    QVERIFY(!ProgramEnd::programEnding());
    QVERIFY(gConnection.isOpen());
    QCOMPARE(login.findChild<QComboBox *>(QStringLiteral("cmbUserName"))->count(), 0);

    // The connection still serves the tables the file has.
    Recordset &fruit = funOpenQuery(QStringLiteral("SELECT * FROM Fruit WHERE Fruit='Apricot'"));
    QCOMPARE(fruit.field(QStringLiteral("vit a")).toInt(), 420);
    fruit.close();

    // Nobody to log in as; Cancel still ends the program.
    MessageScript::expect(QStringLiteral("( 3021)没有可以登录的用户。"), 16, QStringLiteral("用户登录"));
    login.findChild<QPushButton *>(QStringLiteral("cmdOK"))->click();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
    QVERIFY(!ProgramEnd::programEnding());
    login.findChild<QPushButton *>(QStringLiteral("cmdCancel"))->click();
    QVERIFY(ProgramEnd::programEnding());
    QCOMPARE(QFileInfo(database).lastModified(), modified);
}

void TestLoginAccess::startUpShowsABusyCursorWhileTheFileIsRead()
{
    const QString folder = TestSandbox::newFolder();
    QVERIFY(QFile::copy(QStringLiteral(FRUIT_MDB), folder + QStringLiteral("/itdb.mdb")));
    funSaveDBPath(folder + QLatin1Char('/'));
    MessageScript::expect(QStringLiteral("( 1)no such table: user"), 16, QStringLiteral("用户登录"));

    // Before any window shows, the converter reads the file; meanwhile the timers run.
    int samples = 0;
    int busy = 0;
    QTimer sampler;
    connect(&sampler, &QTimer::timeout, this, [&] {
        ++samples;
        const QCursor *cursor = QGuiApplication::overrideCursor();
        busy += cursor && cursor->shape() == Qt::WaitCursor;
    });
    sampler.start(0);
    QuillonixProgram program;
    QVERIFY(program.start());
    sampler.stop();
    QVERIFY2(MessageScript::allShown(), qPrintable(MessageScript::pending()));
    QVERIFY2(busy > 0, qPrintable(QStringLiteral("%1 of %2").arg(busy).arg(samples)));
    QVERIFY(!QGuiApplication::overrideCursor());
}

QTEST_MAIN(TestLoginAccess)
#include "tst_loginaccess.moc"
