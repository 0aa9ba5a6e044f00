#include "accessfile.h"

#include "core/dberror.h"

#include <QFile>
#include <QFileInfo>
#include <iconv.h>

namespace {

// The character set iconv knows a Windows code page by; Chinese Access 97 files that
// record none are GBK.
QByteArray charsetOfCodePage(quint16 codePage)
{
    return codePage == 0 ? QByteArrayLiteral("GBK") : QByteArrayLiteral("CP") + QByteArray::number(codePage);
}

bool iconvKnows(const QByteArray &charset)
{
    const iconv_t probe = iconv_open("UTF-8", charset.constData());
    if (probe == iconv_t(-1))
        return false;
    iconv_close(probe);
    return true;
}

} // namespace

AccessFile::AccessFile(const QString &fileName)
{
    // libmdb takes the character set of the text it hands over from the environment: the
    // copy is UTF-8, whatever the environment of the program says.
    qputenv("MDBICONV", "UTF-8");
    m_mdb = mdb_open(QFile::encodeName(fileName).constData(), MDB_NOFLAGS);
    if (!m_mdb)
        throw DbError(DbError::ProviderError, QStringLiteral("不是可以读取的 Access 数据库文件"));
    try {
        prepare(QFileInfo(fileName).size());
    } catch (...) {
        mdb_close(m_mdb);
        throw;
    }
}

AccessFile::~AccessFile()
{
    mdb_close(m_mdb);
}

void AccessFile::prepare(qint64 fileSize)
{
    // A file cut short, as by a copy that did not finish, is not a whole number of pages.
    if (fileSize % m_mdb->fmt->pg_size != 0)
        throw DbError(DbError::ProviderError, QStringLiteral("Access 数据库文件不完整"));
    m_pageCount = fileSize / m_mdb->fmt->pg_size;
    if (IS_JET3(m_mdb))
        decodeJet3TextBy(m_mdb->f->code_page);
    mdb_set_date_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(m_mdb);
    if (!mdb_read_catalog(m_mdb, MDB_TABLE))
        throw DbError(DbError::ProviderError, QStringLiteral("Access 数据库文件的目录已损坏"));
}

void AccessFile::decodeJet3TextBy(quint16 codePage)
{
    const QByteArray charset = charsetOfCodePage(codePage);
    if (!iconvKnows(charset)) {
        throw DbError(DbError::ProviderError,
                      QStringLiteral("Access 数据库文件记录的代码页 %1 无法识别").arg(codePage));
    }
    // libmdb reads the Jet 3 character set from the environment when it sets up its
    // decoder; it is set for that moment only, so that nothing else started later sees it.
    qputenv("MDB_JET3_CHARSET", charset);
    mdb_iconv_close(m_mdb);
    mdb_iconv_init(m_mdb);
    qunsetenv("MDB_JET3_CHARSET");
}
