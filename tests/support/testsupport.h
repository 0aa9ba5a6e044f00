#pragma once

#include "forms/common/messagebox.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <functional>

class QWidget;

// What every GUI test process shares: a private folder for settings, sockets and files,
// the program's look, a script for the message boxes, and a record of the program's end.
class TestSandbox
{
public:
    // Call once in initTestCase, after the QApplication exists.
    static void setUp();
    // Call in init() or cleanup(): clears settings, messages, the end mark and the database.
    static void reset();
    // A new empty folder inside the sandbox.
    static QString newFolder();
};

// Sets an environment variable (unsets it for a null value) for as long as this lives, and
// puts the old value back after it.
class EnvironmentChange
{
public:
    EnvironmentChange(const char *name, const QByteArray &value);
    ~EnvironmentChange();
    EnvironmentChange(const EnvironmentChange &) = delete;
    EnvironmentChange &operator=(const EnvironmentChange &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

// The lines the program writes to its log under its own categories (quillonix.db,
// quillonix.photo, quillonix.file) while this lives, each as "category: text" as stderr has
// it; every message still goes where it went before. One at a time.
class ProgramLog
{
public:
    ProgramLog();
    ~ProgramLog();
    ProgramLog(const ProgramLog &) = delete;
    ProgramLog &operator=(const ProgramLog &) = delete;

    QStringList lines() const;
};

// Writes content to the file at path, replacing it; ends the test process when it cannot.
// Returns path.
QString writeTestFile(const QString &path, const QByteArray &content);

// The messages a test expects, in order, with the answer for each. A message nobody
// expected fails the test at once with its text and is answered with OK or No, so a
// test never hangs on a message box.
class MessageScript
{
public:
    // Makes the script answer every message again, after a test answered some itself.
    static void install();
    static void expect(const QString &text, int flags, const QString &caption,
                       MessageAnswer answer = MessageAnswer::Ok);
    // The next message is expected as well, but shown in the real message box, for the
    // test to answer as the user does (whenModalShown, keys or clicks).
    static void expectBox(const QString &text, int flags, const QString &caption);
    // Every message seen since the last reset, as "caption|flags|text".
    static const QStringList &seen();
    // True when every expected message has been shown.
    static bool allShown();
    static QString pending();
    static void reset();
};

// Runs action on the next modal window to open (a dialog shown with exec()), once it is
// showing; actions queue up for the modal windows that open one after another. A modal
// window that opens with no action waiting, or does not open, or stays open unhandled,
// for timeoutMs fails the test and is closed: a test never hangs on a window.
void whenModalShown(std::function<void(QWidget *modal)> action, int timeoutMs = 5000);

// The control of a form by its name; a missing control ends the test with its name.
template <class Control>
Control *control(const QObject *form, const QString &name)
{
    auto *found = form->findChild<Control *>(name);
    if (!found)
        qFatal("no control %s of the expected kind", qPrintable(name));
    return found;
}

// True when window has the keyboard: it is the active window, and key presses go to it.
bool hasKeyboard(const QWidget *window);

// A key of the user's, pressed or released in the window that has the keyboard at that
// moment, as the window system delivers it; no window with the keyboard fails the test.
void pressKey(Qt::Key key);
void releaseKey(Qt::Key key);

// The name a screen reader or an automation tool finds for a control.
QString accessibleName(QWidget *control);

// Fruit.mdb (its bytes given) made into an Access file on which libmdb writes warnings
// without end: its first property list holds a record of length 0, which libmdb reads over
// and over, saying "Unknown record type". Only the converter's time limit stops it.
QByteArray accessFileThatFloods(QByteArray fruit);

// A control's designed place in twips, as its container measures it.
QRect designedRect(int left, int top, int width, int height);

// The names of the controls the focus visits in a shown, active window: first, then one
// per Tab press.
QStringList tabWalk(QWidget *first, int presses);
