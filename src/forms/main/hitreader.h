#pragma once

#include "core/recordset.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class ListRows;
class ReportListView;

// Reads a search's hits into the result list: the first screenful, and more, at once, the
// rest in short turns of the event loop as they come (from a server, a page at a time), so
// that the window answers while a long list is still coming in. Anything that replaces the list's rows (a new search, 新客户) ends the
// reading, as does the reader's end with its window.
class HitReader : public QObject
{
    Q_OBJECT
public:
    explicit HitReader(ReportListView &list);

    // Runs the search and lists its first hits; the rest follow. Throws DbError when the
    // search cannot run or its first rows cannot be read.
    void start(const QString &statement, const QVariantList &values);
    void stop();
    bool reading() const { return m_hits.isOpen(); }

signals:
    // The rest of the hits could not be read: the list is emptied.
    void failed(const QString &report);
    // Every hit is in the list.
    void finished();

private:
    // Reads hits into rows until the last is read, `most` are read, the turn has taken ms
    // milliseconds, or the next hit has not come from the server yet: then the turns wait
    // for it.
    void read(ListRows &rows, int most, qint64 ms);
    void readTurn();
    void finish();
    int screenful() const;

    ReportListView &m_list;
    Recordset m_hits;
    QTimer m_turns;
    QElapsedTimer m_turn;
    bool m_replacing = false;
    // The record set stands at a hit already listed, the next one still on its way.
    bool m_rowListed = false;
};
