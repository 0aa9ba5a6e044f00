#pragma once

#include <QElapsedTimer>
#include <QSet>
#include <QString>
#include <QTimer>

class frmQX_Quillonix;

// What the window did while this lived, as a timer due every 10 ms saw it: the longest time
// its event loop went without running the timer (but for time the shared machine gave to
// others), what panels 2 (the reading sign) and 4 (the clock) showed, and whether the cursor
// showed that the window was busy.
class WindowWatch
{
public:
    explicit WindowWatch(const frmQX_Quillonix &window);
    qint64 elapsed() const { return m_clock.elapsed(); }

    qint64 longestGap = 0;
    QSet<QString> readingPanel;
    QSet<QString> clockPanel;
    bool busy = false;

private:
    QTimer m_tick;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_waited = 0;
};
