#include "core/pgsettings.h"

#include "core/dberror.h"
#include "core/regularfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>
#include <libpq-fe.h>
#include <memory>

namespace {

using Settings = PgSettings::Settings;

const QString passwordRefused
    = QStringLiteral("itdb.conn 中不能写口令（%1）：口令放在各台电脑的 ~/.pgpass 或 PGPASSWORD 中。");

// Keywords whose value is a password, or names where one is kept.
const char *const passwordKeywords[] = {"password", "passfile", "sslpassword"};
// Keywords whose value names a file that libpq reads.
const char *const fileKeywords[] = {"sslcert", "sslkey", "sslrootcert", "sslcrl"};

// Text libpq could not read may still hold a password, which its reason would quote.
bool mayHoldPassword(const QString &connectionText)
{
    static const QRegularExpression userAndPassword(QStringLiteral("^postgres(ql)?://[^/@]*:[^/@]*@"),
                                                    QRegularExpression::CaseInsensitiveOption);
    return connectionText.contains(QStringLiteral("password"), Qt::CaseInsensitive)
           || userAndPassword.match(connectionText).hasMatch();
}

Settings parsed(const QString &connectionText)
{
    char *failure = nullptr;
    PQconninfoOption *options = PQconninfoParse(connectionText.toUtf8().constData(), &failure);
    const std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> owned(options, PQconninfoFree);
    if (!options) {
        const QString reason = QString::fromUtf8(failure).trimmed().section(QLatin1Char('\n'), 0, 0);
        PQfreemem(failure);
        if (mayHoldPassword(connectionText))
            throw DbError(DbError::ProviderError, passwordRefused.arg(QStringLiteral("password")));
        throw DbError(DbError::ProviderError, QStringLiteral("itdb.conn 中的服务器连接写得不对：") + reason);
    }
    Settings given;
    for (const PQconninfoOption *option = options; option->keyword; ++option) {
        if (option->val)
            given.insert(QByteArray(option->keyword), QByteArray(option->val));
    }
    return given;
}

// One line for each thing in the text that the desk will not use.
QStringList faultsOf(const Settings &given)
{
    QStringList faults;
    // The folder is shared by every desk: it names the server, never a password.
    for (const char *keyword : passwordKeywords) {
        if (given.contains(keyword))
            faults << passwordRefused.arg(QString::fromLatin1(keyword));
    }
    // Reading a FIFO or a device would hold the connection up for ever.
    for (const char *keyword : fileKeywords) {
        if (!given.contains(keyword))
            continue;
        const QString path = QFile::decodeName(given.value(keyword));
        const QFileInfo file(path);
        if (!file.exists())
            faults << QStringLiteral("itdb.conn 中 %1 指定的文件不存在：%2").arg(QString::fromLatin1(keyword), path);
        else if (!file.isFile())
            faults << QStringLiteral("itdb.conn 中 %1 指定的不是普通文件：%2").arg(QString::fromLatin1(keyword), path);
    }
    if (given.contains("sslcrldir") && !QFileInfo(QFile::decodeName(given.value("sslcrldir"))).isDir()) {
        faults << QStringLiteral("itdb.conn 中 sslcrldir 指定的不是文件夹：%1")
                      .arg(QFile::decodeName(given.value("sslcrldir")));
    }
    return faults;
}

QByteArray givenOrEnvironment(const Settings &given, const QByteArray &keyword, const char *variable)
{
    return given.contains(keyword) ? given.value(keyword) : qgetenv(variable);
}

// Whether libpq reaches some host of the text over TCP rather than a Unix socket.
bool overTcp(const Settings &given)
{
    if (!givenOrEnvironment(given, "hostaddr", "PGHOSTADDR").isEmpty())
        return true;
    for (const QByteArray &host : givenOrEnvironment(given, "host", "PGHOST").split(',')) {
        const QByteArray name = host.trimmed();
        if (!name.isEmpty() && !name.startsWith('/') && !name.startsWith('@'))
            return true;
    }
    return false;
}

// Whether libpq has a password to send: from PGPASSWORD, or a password file.
bool passwordAtHand()
{
    if (!qEnvironmentVariableIsEmpty("PGPASSWORD"))
        return true;
    QString passwordFile = qEnvironmentVariable("PGPASSFILE");
    if (passwordFile.isEmpty())
        passwordFile = QDir::home().filePath(QStringLiteral(".pgpass"));
    return QFileInfo(passwordFile).isFile();
}

} // namespace

Settings PgSettings::forConnection(const QString &connectionText, int timeoutSeconds)
{
    const Settings given = parsed(connectionText);
    const QStringList faults = faultsOf(given);
    if (!faults.isEmpty())
        throw DbError(DbError::ProviderError, faults.join(QLatin1Char('\n')));

    // The program's own settings, where the text names none.
    Settings settings = {
        {"connect_timeout", QByteArray::number(timeoutSeconds)},
        {"fallback_application_name", "quillonix"},
        // Over a network, a server that stops answering is noticed within a minute, and data
        // it does not acknowledge within the time-out end the connection.
        {"keepalives", "1"},
        {"keepalives_idle", "30"},
        {"keepalives_interval", "10"},
        {"keepalives_count", "3"},
        {"tcp_user_timeout", QByteArray::number(qint64(timeoutSeconds) * 1000)},
    };
    const bool certificateVerified = givenOrEnvironment(given, "sslmode", "PGSSLMODE") == "verify-full";
    if (!given.contains("channel_binding") && !certificateVerified && overTcp(given) && passwordAtHand())
        settings.insert("channel_binding", "require");
    for (auto setting = given.cbegin(); setting != given.cend(); ++setting)
        settings.insert(setting.key(), setting.value());
    // Text goes both ways as UTF-8, whatever the server keeps.
    settings.insert("client_encoding", "UTF8");
    return settings;
}

QString PgSettings::readServerFile(const QString &fileName)
{
    QFile file;
    if (!openRegularFile(file, fileName))
        throw DbError(DbError::ProviderError, QStringLiteral("不能读取 ") + fileName);
    // One line names the server; a file far longer than that is not such a file.
    QByteArray content = file.read(64 * 1024);
    // An editor on Windows may put a byte-order mark first.
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    for (const QByteArray &line : content.split('\n')) {
        const QString connection = QString::fromUtf8(line).trimmed();
        if (!connection.isEmpty() && !connection.startsWith(QLatin1Char('#')))
            return connection;
    }
    throw DbError(DbError::ProviderError, fileName + QStringLiteral(" 中没有服务器连接。"));
}
