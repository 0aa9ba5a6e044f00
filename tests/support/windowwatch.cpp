#include "windowwatch.h"

#include "forms/main/frmQX_Quillonix.h"
#include "forms/main/mainlayout.h"
#include "forms/main/statuspanels.h"

#include <QCursor>
#include <QFile>
#include <QGuiApplication>

namespace {

// How long the calling thread has waited for a processor while it could have run, in ms.
qint64 waitedForProcessor()
{
    QFile schedule(QStringLiteral("/proc/thread-self/schedstat"));
    if (!schedule.open(QIODevice::ReadOnly))
        return 0;
    return schedule.readAll().split(' ').value(1).toLongLong() / 1000000;
}

} // namespace

WindowWatch::WindowWatch(const frmQX_Quillonix &window)
{
    m_tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_tick, &QTimer::timeout, [this, &window] {
        const qint64 now = m_clock.elapsed();
        const qint64 waited = waitedForProcessor();
        longestGap = std::max(longestGap, now - m_last - (waited - m_waited));
        m_last = now;
        m_waited = waited;
        readingPanel << window.controls().stbBottom->panelText(2);
        clockPanel << window.controls().stbBottom->panelText(4);
        const QCursor *cursor = QGuiApplication::overrideCursor();
        busy = busy || (cursor && cursor->shape() == Qt::WaitCursor);
    });
    m_clock.start();
    m_waited = waitedForProcessor();
    m_tick.start(10);
}
