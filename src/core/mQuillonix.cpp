#include "core/mQuillonix.h"

#include "core/dberror.h"
#include "core/runningcopy.h"
#include "core/valuetext.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cmath>

Connection gConnection;
Recordset gRecordset;
QString gConnectString;
QString gDBPath;
QString gDBType;
StoredText gUserName;
bool gPrivilegeOK = false;
QString gPrivilegeText;

namespace {

FolderPicker &folderPicker()
{
    static FolderPicker picker;
    return picker;
}

QSettings userSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("quillonix"),
                     QStringLiteral("quillonix"));
}

const QString settingsKey = QStringLiteral("quillonixSave/quillonixDBPath");

// When the application object goes, Qt SQL closes its connections in a clean-up of its
// own; with the program's statements still open on a connection, that close fails and the
// engine's connection is never freed. Clean-ups run the latest added first: added again
// after each opening, the program's close comes before Qt SQL's.
void closeBeforeQtSql()
{
    qRemovePostRoutine(funCloseDatabase);
    qAddPostRoutine(funCloseDatabase);
}

} // namespace

bool funConnectDatabase(QString *strReason)
{
    if (gDBType == QLatin1String("A")) {
        gConnectString = QStringLiteral(
                             "uid=admin;pwd=qzbarnwet;driver={Microsoft Access Driver (*.mdb)};dbq=")
                         + gDBPath + QStringLiteral("itdb.mdb");
    }
    if (gDBType == QLatin1String("S"))
        gConnectString = QStringLiteral("DSN=Pubs;UID=sa;PWD=mzt;");
    try {
        gConnection.setConnectionString(gConnectString);
        gConnection.setConnectionTimeout(30);
        gConnection.open();
        closeBeforeQtSql();
        return true;
    } catch (const DbError &error) {
        if (strReason)
            *strReason = error.description();
        return false;
    }
}

bool funCheckPassword(const StoredText &strUserName, const QString &strPassword)
{
    Recordset &users = funOpenQuery(QStringLiteral("SELECT yhkl,xgr,xgsj FROM user WHERE yhm=?"),
                                    {QVariant::fromValue(strUserName)});
    const QVariant stored = users.field(0);
    const bool accepted = stored.isNull()
                          || ValueText::trimBlanks(ValueText::plain(stored))
                                 == ValueText::trimBlanks(strPassword);
    users.close();
    return accepted;
}

bool funFindWindowByCaption(const QString &strCaption)
{
    const QString caption = ValueText::trimBlanks(RunningCopy::askCaption());
    return !caption.isEmpty() && caption.startsWith(strCaption);
}

QString funBrowseForFolder(QWidget *owner, const QString &strTitle, const QString &strStartFolder)
{
    if (!folderPicker())
        return QString();
    // A folder that is gone (a database that moved away) opens the picker where it was.
    QString start = strStartFolder;
    while (!start.isEmpty() && !QFileInfo(start).isDir())
        start = QFileInfo(QDir::cleanPath(start)).path();
    QString folder = folderPicker()(owner, strTitle, start);
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

void setFolderPicker(FolderPicker picker)
{
    folderPicker() = std::move(picker);
}

bool funFileExists(const QString &strPath)
{
    return !funLocateFile(strPath).isEmpty();
}

QString funLocateFile(const QString &strPath)
{
    const QFileInfo exact(strPath);
    if (exact.isFile())
        return strPath;
    const QDir folder = exact.dir();
    const QString wanted = exact.fileName();
    if (wanted.isEmpty() || !folder.exists())
        return QString();
    // Only regular files: a FIFO, a device or a broken link of that name is not a file.
    const QStringList files = folder.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : files) {
        if (name.compare(wanted, Qt::CaseInsensitive) == 0 && QFileInfo(folder.filePath(name)).isFile())
            return folder.filePath(name);
    }
    return QString();
}

Recordset &funOpenQuery(const QString &strSql, const QVariantList &values)
{
    gRecordset = Recordset();
    gRecordset.open(strSql, gConnection, values);
    return gRecordset;
}

QString funLoadDBPath()
{
    return userSettings().value(settingsKey, QString()).toString();
}

void funSaveDBPath(const QString &strPath)
{
    QSettings settings = userSettings();
    settings.setValue(settingsKey, strPath);
    settings.sync();
}

QString proposedDBPath(const QString &programFolder, bool userMayWrite)
{
    // An installed program lies in a system folder such as /usr/bin: no database belongs there.
    return userMayWrite ? programFolder : QDir::home().filePath(QStringLiteral("房源数据"));
}

int funLoadIdleResetMinutes()
{
    constexpr int day = 24 * 60;
    bool whole = false;
    const QVariant stored = userSettings().value(QStringLiteral("quillonixSave/idleResetMinutes"));
    const int minutes = stored.toString().trimmed().toInt(&whole);
    return whole && minutes > 0 ? qMin(minutes, day) : 0;
}

std::optional<double> funLoadScale()
{
    bool number = false;
    const double scale
        = userSettings().value(QStringLiteral("quillonixSave/scale")).toString().trimmed().toDouble(&number);
    if (!number || !std::isfinite(scale))
        return std::nullopt;
    return qBound(0.5, scale, 8.0);
}

void funCloseDatabase()
{
    gRecordset = Recordset();
    gConnection.close();
}
