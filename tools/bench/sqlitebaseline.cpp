#include "sqlitebaseline.h"

#include "core/sqliteengine.h"
#include "core/storedtext.h"

#include <sqlite3.h>
#include <stdexcept>

SqliteBaseline::SqliteBaseline(const QString &databaseFile)
{
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &m_database, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        throw std::runtime_error("cannot open " + databaseFile.toStdString());
    registerListingFunctions(m_database);
}

SqliteBaseline::~SqliteBaseline()
{
    sqlite3_close(m_database);
}

std::vector<std::vector<std::string>> SqliteBaseline::readAll(const QString &statement,
                                                              const QByteArrayList &texts) const
{
    QVariantList values;
    for (const QByteArray &text : texts)
        values << QVariant::fromValue(StoredText::fromBytes(text));
    return readAllTyped(statement, values);
}

std::vector<std::vector<std::string>> SqliteBaseline::readAllTyped(const QString &statement,
                                                                   const QVariantList &values) const
{
    sqlite3_stmt *prepared = nullptr;
    const QByteArray text = statement.toUtf8();
    if (sqlite3_prepare_v2(m_database, text.constData(), int(text.size()), &prepared, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(m_database));
    for (int index = 0; index < values.size(); ++index) {
        const QVariant &value = values.at(index);
        if (value.typeId() == QMetaType::Double) {
            sqlite3_bind_double(prepared, index + 1, value.toDouble());
        } else if (value.typeId() == QMetaType::Int) {
            sqlite3_bind_int64(prepared, index + 1, value.toLongLong());
        } else {
            const QByteArray text = value.metaType() == QMetaType::fromType<StoredText>()
                                        ? value.value<StoredText>().bytes()
                                        : value.toString().toUtf8();
            sqlite3_bind_text(prepared, index + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
    }
    std::vector<std::vector<std::string>> rows;
    const int columns = sqlite3_column_count(prepared);
    while (sqlite3_step(prepared) == SQLITE_ROW) {
        std::vector<std::string> row(static_cast<size_t>(columns));
        for (int column = 0; column < columns; ++column) {
            if (const unsigned char *value = sqlite3_column_text(prepared, column))
                row[size_t(column)].assign(reinterpret_cast<const char *>(value));
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(prepared);
    return rows;
}
