#include "forms/quillonixprogram.h"

#include "core/heldinput.h"
#include "core/mQuillonix.h"
#include "forms/common/designscale.h"
#include "forms/common/modal.h"
#include "forms/common/programend.h"
#include "forms/login/frmQX_Login.h"
#include "forms/main/frmQX_Quillonix.h"

#include <QApplication>
#include <QFileDialog>
#include <QFont>
#include <QLibraryInfo>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTranslator>

namespace {

const QString qtTranslationsName = QStringLiteral("qtTranslations");

// The picker shows the folders' names only. Their other columns would show a type that
// Qt leaves in English and dates in the format of the system's locale, English when unset.
class FolderNamesOnly : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsColumn(int column, const QModelIndex &) const override { return column == 0; }
};

QString pickFolder(QWidget *owner, const QString &title, const QString &startFolder)
{
    QFileDialog picker(owner, title, startFolder);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly);
    // Qt's own picker, the same at every desk: in the program's language, and taking the
    // keyboard without a window manager.
    picker.setOption(QFileDialog::DontUseNativeDialog);
    picker.setProxyModel(new FolderNamesOnly(&picker));
    takesKeyboardWhenShown(picker);
    if (showModal(picker) != QDialog::Accepted || picker.selectedFiles().isEmpty())
        return QString();
    return picker.selectedFiles().constFirst();
}

} // namespace

QuillonixProgram::QuillonixProgram()
{
    setFolderPicker(pickFolder);
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
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPointSizeF(DesignScale::designedPointSize);
    // Chinese and Latin text need no shaping; laying out the listing's text is quicker without.
    font.setStyleStrategy(QFont::PreferNoShaping);
    application.setFont(font);
    // The designed size, until a screen asks for another.
    DesignScale::setFactor(1);
    translateQtTexts(application, QLocale::system());
    // The windows end the program themselves, through "退出" or the login's "取消".
    application.setQuitOnLastWindowClosed(false);
}

void QuillonixProgram::translateQtTexts(QApplication &application, const QLocale &locale)
{
    delete application.findChild<QTranslator *>(qtTranslationsName, Qt::FindDirectChildrenOnly);
    auto *translator = new QTranslator(&application);
    translator->setObjectName(qtTranslationsName);
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // English is Qt's own language, so an English (or unset) locale has no translation here:
    // the program speaks Chinese throughout, and so do Qt's texts then.
    const bool inUsersLanguage = locale.language() != QLocale::English && locale.language() != QLocale::C
                                 && translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder);
    if (inUsersLanguage || translator->load(QStringLiteral("qtbase_zh_CN"), folder))
        application.installTranslator(translator);
}

bool QuillonixProgram::start()
{
    // The login and what it shows are drawn at the scale the main window will have.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        DesignScale::setFactor(DesignScale::chosenFor(screen->availableGeometry().size()));
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
    m_main = std::make_unique<frmQX_Quillonix>();
    m_main->Form_Load();
    m_main->show();
    // The login form is gone once its OK handler has returned. Only now: the main window's
    // load waits for the database, and a form deleted during such a wait would be deleted
    // under the handler that still runs.
    m_login.release()->deleteLater();
}
