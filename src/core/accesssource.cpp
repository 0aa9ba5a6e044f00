#include "core/accesssource.h"

#include "core/dberror.h"

std::unique_ptr<DatabaseSource> openAccessFile(const QString &fileName, int)
{
    throw DbError(DbError::ProviderError,
                  QStringLiteral("不能读取 Access 数据库文件：") + fileName);
}
