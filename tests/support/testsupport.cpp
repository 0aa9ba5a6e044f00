#include "testsupport.h"

#include "core/mQuillonix.h"
#include "forms/common/designscale.h"
#include "forms/common/programend.h"
#include "forms/common/workprogress.h"
#include "forms/quillonixprogram.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace {

struct Expected
{
    QString text;
    int flags;
    QString caption;
    // None: the real message box asks.
    std::optional<MessageAnswer> answer;
};

struct SandboxState
{
    std::unique_ptr<QTemporaryDir> root;
    int folders = 0;
    QVector<Expected> expected;
    QStringList seen;
};

SandboxState &state()
{
    static SandboxState sandbox;
    return sandbox;
}

std::optional<MessageAnswer> answerMessage(const QString &text, int flags, const QString &caption)
{
    SandboxState &sandbox = state();
    sandbox.seen << caption + QLatin1Char('|') + QString::number(flags) + QLatin1Char('|') + text;
    const bool yesNo = flags == MessageFlags::YesNoCritical || flags == MessageFlags::YesNoInformation;
    const MessageAnswer safeAnswer = yesNo ? MessageAnswer::No : MessageAnswer::Ok;
    if (sandbox.expected.isEmpty()) {
        QTest::qFail(qPrintable(QStringLiteral("unexpected message \"%1\" (caption \"%2\", flags %3)")
                                    .arg(text, caption).arg(flags)),
                     __FILE__, __LINE__);
        return safeAnswer;
    }
    const Expected next = sandbox.expected.takeFirst();
    if (next.text != text || next.flags != flags || next.caption != caption) {
        QTest::qFail(qPrintable(QStringLiteral("message \"%1\" (caption \"%2\", flags %3), expected \"%4\" "
                                               "(caption \"%5\", flags %6)")
                                    .arg(text, caption)
                                    .arg(flags)
                                    .arg(next.text, next.caption)
                                    .arg(next.flags)),
                     __FILE__, __LINE__);
        return safeAnswer;
    }
    return next.answer;
}

} // namespace

void clearModalActions();

void TestSandbox::setUp()
{
    SandboxState &sandbox = state();
    sandbox.root = std::make_unique<QTemporaryDir>();
    QVERIFY(sandbox.root->isValid());
    // Sockets of running copies, settings and temporary files stay inside this test
    // process's folder; the runtime folder is private, as a login manager makes it.
    qputenv("TMPDIR", sandbox.root->path().toLocal8Bit());
    const QString runtime = sandbox.root->filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
    // No password of the developer's own reaches a test server: a test that wants one sets it.
    qunsetenv("PGPASSWORD");
    qputenv("PGPASSFILE", QFile::encodeName(sandbox.root->filePath(QStringLiteral("pgpass"))));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, sandbox.root->filePath(QStringLiteral("config")));
    QuillonixProgram::applyLook(*qApp);
    MessageScript::install();
    clearModalActions();
    ProgramEnd::setHandler([] {});
    reset();
}

void TestSandbox::reset()
{
    QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"), QStringLiteral("quillonix"))
        .clear();
    MessageScript::reset();
    clearModalActions();
    ProgramEnd::clear();
    DesignScale::setFactor(1);
    funCloseDatabase();
    gDBPath.clear();
    gDBType.clear();
    gUserName.clear();
    gConnectString.clear();
    gPrivilegeOK = false;
    gPrivilegeText.clear();
    // A progress bar shows only where a test asks for one: on a slow run it would otherwise
    // open now and then, where nobody expects a window.
    WorkProgress::setDelay(std::chrono::hours(1));
}

QString TestSandbox::newFolder()
{
    SandboxState &sandbox = state();
    const QString folder = sandbox.root->filePath(QStringLiteral("folder%1").arg(++sandbox.folders));
    QDir().mkpath(folder);
    return folder;
}

EnvironmentChange::EnvironmentChange(const char *name, const QByteArray &value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    if (value.isNull())
        qunsetenv(name);
    else
        qputenv(name, value);
}

EnvironmentChange::~EnvironmentChange()
{
    if (m_had)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

QString writeTestFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the test file %s", qPrintable(path));
    return path;
}

void MessageScript::install()
{
    setMessageHandler(answerMessage);
}

void MessageScript::expect(const QString &text, int flags, const QString &caption, MessageAnswer answer)
{
    state().expected.append({text, flags, caption, answer});
}

void MessageScript::expectBox(const QString &text, int flags, const QString &caption)
{
    state().expected.append({text, flags, caption, std::nullopt});
}

const QStringList &MessageScript::seen()
{
    return state().seen;
}

bool MessageScript::allShown()
{
    return state().expected.isEmpty();
}

QString MessageScript::pending()
{
    QStringList texts;
    for (const Expected &next : std::as_const(state().expected))
        texts << next.text;
    return texts.join(QStringLiteral(" / "));
}

void MessageScript::reset()
{
    state().expected.clear();
    state().seen.clear();
}

namespace {

// One poller hands each modal window that opens to the next action in line.
class ModalDriver : public QObject
{
public:
    static ModalDriver &instance()
    {
        static auto *driver = new ModalDriver(qApp);
        return *driver;
    }

    void clear()
    {
        m_actions.clear();
        m_waited.restart();
    }

    void add(std::function<void(QWidget *)> action, int timeoutMs)
    {
        if (m_actions.isEmpty())
            m_waited.restart();
        m_actions.append({std::move(action), timeoutMs});
    }

private:
    struct Pending
    {
        std::function<void(QWidget *)> action;
        int timeoutMs;
    };

    explicit ModalDriver(QObject *parent) : QObject(parent)
    {
        connect(&m_poll, &QTimer::timeout, this, &ModalDriver::poll);
        m_waited.start();
        m_poll.start(10);
    }

    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        const bool fresh = modal && modal->isVisible() && !m_handled.contains(modal);
        if (fresh && m_actions.isEmpty()) {
            // Nobody said this window would open: a test never waits on it.
            closeStuck(QStringLiteral("opened unexpectedly"));
            return;
        }
        if (fresh) {
            m_handled.append(modal);
            const Pending next = m_actions.takeFirst();
            m_waited.restart();
            // Run from a timer of its own: while the action waits, a window it opens over this
            // one is still found by the poll.
            QTimer::singleShot(0, modal, [action = next.action, modal] { action(modal); });
        }
        m_handled.removeAll(nullptr);
        const bool handledStillOpen = modal && modal->isVisible() && m_handled.contains(modal);
        if (m_actions.isEmpty() && !handledStillOpen) {
            m_waited.restart();
            return;
        }
        const int timeoutMs = m_actions.isEmpty() ? 5000 : m_actions.first().timeoutMs;
        if (m_waited.elapsed() > timeoutMs) {
            m_waited.restart();
            closeStuck(m_actions.isEmpty() ? QStringLiteral("was not closed by its handler")
                                           : QStringLiteral("did not open"));
            m_actions.clear();
        }
    }

    void closeStuck(const QString &what)
    {
        QWidget *stuck = QApplication::activeModalWidget();
        QTest::qFail(qPrintable(QStringLiteral("modal window \"%1\" %2")
                                    .arg(stuck ? stuck->windowTitle() : QStringLiteral("(none)"), what)),
                     __FILE__, __LINE__);
        if (auto *dialog = qobject_cast<QDialog *>(stuck))
            dialog->done(QDialog::Rejected);
        else if (stuck)
            stuck->close();
    }

    QTimer m_poll;
    QElapsedTimer m_waited;
    QVector<Pending> m_actions;
    QList<QPointer<QWidget>> m_handled;
};

} // namespace

void clearModalActions()
{
    ModalDriver::instance().clear();
}

void whenModalShown(std::function<void(QWidget *modal)> action, int timeoutMs)
{
    ModalDriver::instance().add(std::move(action), timeoutMs);
}

namespace {

QWindow *windowWithTheKeyboard()
{
    QWindow *focused = QGuiApplication::focusWindow();
    if (!focused)
        QTest::qFail("no window has the keyboard", __FILE__, __LINE__);
    return focused;
}

} // namespace

bool hasKeyboard(const QWidget *window)
{
    return window->isActiveWindow() && window->windowHandle()
           && QGuiApplication::focusWindow() == window->windowHandle();
}

void pressKey(Qt::Key key)
{
    if (QWindow *focused = windowWithTheKeyboard())
        QTest::keyPress(focused, key);
}

void releaseKey(Qt::Key key)
{
    if (QWindow *focused = windowWithTheKeyboard())
        QTest::keyRelease(focused, key);
}

QString accessibleName(QWidget *control)
{
    QAccessibleInterface *seen = QAccessible::queryAccessibleInterface(control);
    return seen ? seen->text(QAccessible::Name) : QStringLiteral("(not accessible)");
}

QByteArray accessFileThatFloods(QByteArray fruit)
{
    const qsizetype at = fruit.indexOf(QByteArrayLiteral("MR2\0"));
    if (at < 0)
        qFatal("fruit.mdb holds no property list");
    const QByteArray endless("\0\0\0\0\x77\x77", 6); // length 0, type 0x7777
    fruit.replace(at + 4, endless.size(), endless);
    return fruit;
}

QRect designedRect(int left, int top, int width, int height)
{
    const auto pixels = [](int value) { return int(value / 15.0 + 0.5); };
    return QRect(pixels(left), pixels(top), pixels(width), pixels(height));
}

QStringList tabWalk(QWidget *first, int presses)
{
    first->setFocus(Qt::TabFocusReason);
    QStringList visited;
    for (int press = 0; press <= presses; ++press) {
        QWidget *focused = QApplication::focusWidget();
        visited << (focused ? focused->objectName() : QStringLiteral("(nothing)"));
        if (focused)
            QTest::keyClick(focused, Qt::Key_Tab);
    }
    return visited;
}

namespace {

struct LogState
{
    QStringList lines;
    QtMessageHandler previous = nullptr;
};

LogState &logState()
{
    static LogState state;
    return state;
}

void recordProgramLog(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    LogState &log = logState();
    if (context.category && qstrncmp(context.category, "quillonix.", 10) == 0)
        log.lines << QString::fromLatin1(context.category) + QStringLiteral(": ") + message;
    log.previous(type, context, message);
}

} // namespace

ProgramLog::ProgramLog()
{
    logState().lines.clear();
    logState().previous = qInstallMessageHandler(recordProgramLog);
}

ProgramLog::~ProgramLog()
{
    qInstallMessageHandler(logState().previous);
}

QStringList ProgramLog::lines() const
{
    return logState().lines;
}
