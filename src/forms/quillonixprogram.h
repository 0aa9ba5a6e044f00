#pragma once

#include <QObject>
#include <memory>

class QApplication;
class frmQX_Login;
class frmQX_Quillonix;

// One run of the program: the login form first, then the main window until the end.
class QuillonixProgram : public QObject
{
    Q_OBJECT
public:
    QuillonixProgram();
    ~QuillonixProgram() override;

    // The font and behaviour every window of the program shares.
    static void applyLook(QApplication &application);

    // Loads and shows the login form; false when the program ended during start-up.
    bool start();

    frmQX_Login *loginForm() const { return m_login.get(); }
    frmQX_Quillonix *mainWindow() const { return m_main.get(); }

private:
    void showMainWindow();
    // While the database file is read: a busy cursor, from start-up on, and a word in the
    // main window's status bar once it exists.
    void showDatabaseReading(bool reading);

    std::unique_ptr<frmQX_Login> m_login;
    std::unique_ptr<frmQX_Quillonix> m_main;
};
