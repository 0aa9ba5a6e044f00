#pragma once

#include "accessfile.h"
#include "cellvalue.h"

#include <QString>
#include <QVector>
#include <vector>

// One table of the agency's Access database, read row by row. Throws DbError when the
// table cannot be read.
class AccessTable
{
public:
    struct Column
    {
        QString name;
        int type; // libmdb's MDB_TEXT, MDB_LONGINT ...
    };

    AccessTable(const AccessFile &file, const QString &name);
    ~AccessTable();
    AccessTable(const AccessTable &) = delete;
    AccessTable &operator=(const AccessTable &) = delete;

    const QVector<Column> &columns() const { return m_columns; }
    // The next row's values, one per column; false after the last row. Throws DbError when
    // the rows end before the number the table records, as where pages are missing.
    bool next(QVector<CellValue> &row);

private:
    CellValue valueOf(int column);
    CellValue storedDate(int column);
    bool isNull(int column);
    // The current row's field of a column as stored, or nullptr when the row cannot be
    // taken apart.
    const MdbField *fieldOf(int column);

    QString m_name;
    MdbHandle *m_mdb;
    MdbTableDef *m_table = nullptr;
    unsigned int m_rowsRead = 0;
    QVector<Column> m_columns;
    std::vector<std::vector<char>> m_buffers;
    std::vector<int> m_lengths;
    std::vector<MdbField> m_fields;
    bool m_rowCracked = false;
};
