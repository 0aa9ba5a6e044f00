#pragma once

#include "core/connection.h"
#include "core/recordset.h"
#include "core/storedtext.h"

#include <QString>
#include <functional>
#include <optional>

class QWidget;

// The state every form shares, for the whole run, on the user-interface thread only.
extern Connection gConnection;     // the one connection to the listing database
extern Recordset gRecordset;       // the one shared record set; every query replaces it
extern QString gConnectString;     // built by funConnectDatabase
extern QString gDBPath;            // the database folder, ending with "/" after start-up
extern QString gDBType;            // "A": the listing database file in gDBPath
extern StoredText gUserName;       // the logged-in user, as stored
extern bool gPrivilegeOK;          // the last password prompt matched
extern QString gPrivilegeText;     // what was typed at the last prompt, trimmed; "" if cancelled

// Opens gConnection on the database that gDBType and gDBPath name. False on any failure,
// without a word to the user: the caller decides what to say, and finds why in strReason
// (a line for each cause) when it gives one.
bool funConnectDatabase(QString *strReason = nullptr);

// True when the typed password matches the user's stored one, both with blanks trimmed,
// letter case counting. A user without a stored password (Null) is let in with anything.
// Throws DbError when the query fails or the user has no row.
bool funCheckPassword(const StoredText &strUserName, const QString &strPassword);

// True when a running copy of the program shows a main window whose caption, with blanks
// trimmed, begins with strCaption.
bool funFindWindowByCaption(const QString &strCaption);

// The folder the user picks under the title strTitle, without a trailing "/" (except the
// root "/"), or "" when the picker is cancelled. The picker opens at strStartFolder, or at
// the nearest folder above it that exists.
QString funBrowseForFolder(QWidget *owner, const QString &strTitle, const QString &strStartFolder = QString());
// The picker funBrowseForFolder shows; the windows layer installs the program's own.
using FolderPicker = std::function<QString(QWidget *owner, const QString &title, const QString &startFolder)>;
void setFolderPicker(FolderPicker picker);

// True only for a regular file, or a link to one (a folder, a FIFO, a device is false). Photos copied over from Windows often differ in
// letter case from the numbers stored for them, so a file whose name differs from the
// path's only in letter case counts too.
bool funFileExists(const QString &strPath);
// The file funFileExists finds for a path: the path itself, or the file whose name differs
// from it only in letter case; "" when there is none.
QString funLocateFile(const QString &strPath);

// The query pattern: gRecordset is replaced by a new record set, opened on gConnection.
// Each "?" in strSql takes the next of values, bound as data.
Recordset &funOpenQuery(const QString &strSql, const QVariantList &values = {});

// The database folder kept in the user's settings, and the key it is kept under.
QString funLoadDBPath();
void funSaveDBPath(const QString &strPath);
// The database folder a first start records, without the trailing slash: the program's own
// folder where its user may write there (the build tree, a copy in the user's own folders),
// else ~/房源数据, the folder an installed program's README has the demo database made in.
QString proposedDBPath(const QString &programFolder, bool userMayWrite);
// The minutes without input after which the main window resets itself for the next customer
// (key idleResetMinutes beside the database folder); 0, the default, for never. A value that
// is not a whole number of minutes is 0; more than a day is a day.
int funLoadIdleResetMinutes();
// The scale the windows are drawn at (key scale beside the database folder): a number, 1 for
// the designed size, kept between 0.5 and 8; nothing for "fit", the default, which fits the
// design to the screen. A value that is no number counts as "fit".
std::optional<double> funLoadScale();

// Releases the record set and the connection at the end of a run, at the latest when the
// application object goes.
void funCloseDatabase();
