#pragma once

#include <QObject>
#include <memory>

class QApplication;
class QLocale;
class frmQX_Login;
class frmQX_Quillonix;

// One run of the program: the login form first, then the main window until the end.
class QuillonixProgram : public QObject
{
    Q_OBJECT
public:
    QuillonixProgram();
    ~QuillonixProgram() override;

    // The font, language and behaviour every window of the program shares.
    static void applyLook(QApplication &application);
    // Qt's own texts (the folder picker, the text boxes' menus, standard buttons) in the
    // language of locale where Qt has it, else in Simplified Chinese like the program's.
    static void translateQtTexts(QApplication &application, const QLocale &locale);

    // Loads and shows the login form; false when the program ended during start-up.
    bool start();

    frmQX_Login *loginForm() const { return m_login.get(); }
    frmQX_Quillonix *mainWindow() const { return m_main.get(); }

private:
    void showMainWindow();
    // While the database is read (a file, or the server): a busy cursor, from start-up on,
    // and a word in the main window's status bar once it exists.
    void showDatabaseReading(bool reading);

    std::unique_ptr<frmQX_Login> m_login;
    std::unique_ptr<frmQX_Quillonix> m_main;
};
