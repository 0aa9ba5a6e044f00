#include "forms/quillonixprogram.h"

#include "core/importhelper.h"
#include "core/mQuillonix.h"
#include "forms/common/programend.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/frmQX_Quillonix.h"

#include <QApplication>
#include <QFileDialog>
#include <QFont>

QuillonixProgram::QuillonixProgram()
{
    setFolderPicker([](QWidget *owner, const QString &title) {
        return QFileDialog::getExistingDirectory(owner, title);
    });
    setReadingIndicator([this](bool reading) { showDatabaseReading(reading); });
}

QuillonixProgram::~QuillonixProgram()
{
    setReadingIndicator({});
    m_main.reset();
    m_login.reset();
    funCloseDatabase();
}

void QuillonixProgram::applyLook(QApplication &application)
{
    QFont font(QStringLiteral("WenQuanYi Micro Hei"), 9);
    // Chinese and Latin text need no shaping; laying out the listing's text is quicker without.
    font.setStyleStrategy(QFont::PreferNoShaping);
    application.setFont(font);
    // The windows end the program themselves, through "退出" or the login's "取消".
    application.setQuitOnLastWindowClosed(false);
}

bool QuillonixProgram::start()
{
    m_login = std::make_unique<frmQX_Login>();
    connect(m_login.get(), &frmQX_Login::passwordAccepted, this, &QuillonixProgram::showMainWindow);
    m_login->Form_Load();
    if (ProgramEnd::programEnding())
        return false;
    m_login->show();
    return true;
}

void QuillonixProgram::showDatabaseReading(bool reading)
{
    if (reading)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    if (m_main)
        m_main->showDatabaseReading(reading);
}

void QuillonixProgram::showMainWindow()
{
    // The login form is gone once its OK handler has returned.
    m_login.release()->deleteLater();
    m_main = std::make_unique<frmQX_Quillonix>();
    m_main->Form_Load();
    m_main->show();
}
