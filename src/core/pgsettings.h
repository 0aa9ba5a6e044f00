#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// What a desk connects to its server with: the connection text of the database folder's
// itdb.conn, checked, and the program's own settings where it names none.
namespace PgSettings {

// libpq's keywords and their values.
using Settings = QMap<QByteArray, QByteArray>;

// The settings for a connection text (a libpq URI or key=value list), connecting within
// timeoutSeconds per host. Throws DbError, one line for each fault found, when the text
// cannot be used: text libpq cannot read, a password in it (the folder is shared by every
// desk), or a file named in it that is not a regular file. With a password at hand (from
// PGPASSWORD or the password file) and a server reached over TCP, the server must prove
// itself before the password goes to it: SCRAM with channel binding, unless the text sets
// channel_binding itself or asks for a verified certificate (sslmode=verify-full).
Settings forConnection(const QString &connectionText, int timeoutSeconds);

// The connection text in an itdb.conn file: its first line that is neither blank nor a
// "#" comment. Throws DbError when the file cannot be read or names nothing.
QString readServerFile(const QString &fileName);

} // namespace PgSettings
