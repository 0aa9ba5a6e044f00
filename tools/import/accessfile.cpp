#include "accessfile.h"

#include "core/dberror.h"

#include <QFile>
#include <QFileInfo>

AccessFile::AccessFile(const QString &fileName)
{
    // libmdb takes the character sets from the environment when it opens a file: Chinese
    // Access 97 files are GBK, and the copy is UTF-8.
    qputenv("MDB_JET3_CHARSET", "GBK");
    qputenv("MDB_ICONV", "UTF-8");
    m_mdb = mdb_open(QFile::encodeName(fileName).constData(), MDB_NOFLAGS);
    if (!m_mdb)
        throw DbError(DbError::ProviderError, QStringLiteral("不是可以读取的 Access 数据库文件"));
    // A file cut short, as by a copy that did not finish, is not a whole number of pages.
    if (QFileInfo(fileName).size() % m_mdb->fmt->pg_size != 0) {
        mdb_close(m_mdb);
        throw DbError(DbError::ProviderError, QStringLiteral("Access 数据库文件不完整"));
    }
    mdb_set_bind_size(m_mdb, bindSize);
    mdb_set_date_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_shortdate_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(m_mdb);
    if (!mdb_read_catalog(m_mdb, MDB_TABLE)) {
        mdb_close(m_mdb);
        throw DbError(DbError::ProviderError, QStringLiteral("Access 数据库文件的目录已损坏"));
    }
}

AccessFile::~AccessFile()
{
    mdb_close(m_mdb);
}

QStringList AccessFile::tableNames() const
{
    QStringList names;
    for (unsigned int i = 0; i < m_mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(m_mdb->catalog, i));
        if (mdb_is_user_table(entry))
            names << QString::fromUtf8(entry->object_name);
    }
    return names;
}
