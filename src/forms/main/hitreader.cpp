#include "forms/main/hitreader.h"

#include "core/dberror.h"
#include "core/mQuillonix.h"
#include "forms/main/offertype.h"
#include "forms/main/reportlistview.h"

#include <algorithm>
#include <limits>

namespace {

// Result-list columns after the offer type, by their position in the statement.
constexpr int firstPlainColumn = 2;
constexpr int lastPlainColumn = 9;

// However short the list, the first turn lists this many hits, so that a search of a few
// hundred hits is listed whole at once.
constexpr int firstTurnRows = 1000;
// Each later turn reads this long, leaving the event loop time to paint and take input
// between turns.
constexpr qint64 turnMs = 20;
// Reading looks at the clock, and takes in what the server sent meanwhile, once every so
// many hits.
constexpr int rowsBetweenLooks = 64;

} // namespace

HitReader::HitReader(ReportListView &list) : m_list(list)
{
    m_turns.setInterval(0);
    connect(&m_turns, &QTimer::timeout, this, &HitReader::readTurn);
    connect(&m_list.rows(), &QAbstractItemModel::modelReset, this, [this] {
        if (!m_replacing)
            stop();
    });
}

void HitReader::start(const QString &statement, const QVariantList &values)
{
    stop();
    m_turn.start();
    m_hits.openInPages(statement, gConnection, values);
    ListRows first(m_list.rows().columnCount());
    read(first, std::max(firstTurnRows, screenful()), std::numeric_limits<qint64>::max());
    m_replacing = true;
    m_list.beginRows(std::move(first));
    m_replacing = false;
    if (m_hits.eof())
        finish();
    else if (!m_rowListed)
        m_turns.start();
}

void HitReader::stop()
{
    // The rows read so far stay until whatever stopped the reading replaces them.
    m_turns.stop();
    m_hits.close();
    m_rowListed = false;
}

void HitReader::read(ListRows &rows, int most, qint64 ms)
{
    if (std::exchange(m_rowListed, false))
        m_hits.moveNext();
    for (int count = 0; !m_hits.eof();) {
        rows.appendCell(m_hits.text(0));
        rows.appendKey(m_hits.storedBytes(0));
        rows.appendCell(offerTypeText(m_hits.field(1)));
        for (int position = firstPlainColumn; position <= lastPlainColumn; ++position)
            rows.appendCell(m_hits.text(position));
        ++count;
        // The next hit still on its way from the server: the window goes on meanwhile.
        if (!m_hits.nextAtHand()) {
            m_rowListed = true;
            m_turns.stop();
            m_hits.whenNextAtHand([this] { m_turns.start(); });
            return;
        }
        m_hits.moveNext();
        if (count % rowsBetweenLooks == 0)
            m_hits.takeArrived();
        if (count >= most || (count % rowsBetweenLooks == 0 && m_turn.elapsed() >= ms))
            return;
    }
}

void HitReader::readTurn()
{
    m_turn.start();
    ListRows more(m_list.rows().columnCount());
    try {
        read(more, std::numeric_limits<int>::max(), turnMs);
    } catch (const DbError &error) {
        stop();
        m_list.setRows(ListRows(m_list.rows().columnCount()));
        emit failed(error.report());
        return;
    }
    m_list.addRows(more);
    if (m_hits.eof())
        finish();
}

void HitReader::finish()
{
    m_turns.stop();
    m_hits.close();
    m_list.endRows();
    emit finished();
}

int HitReader::screenful() const
{
    // A row is at least a line of text high.
    return m_list.viewport()->height() / std::max(1, m_list.fontMetrics().height()) + 1;
}
