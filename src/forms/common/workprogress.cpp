#include "forms/common/workprogress.h"

#include <QApplication>
#include <QEventLoop>

namespace {

std::chrono::milliseconds &delayBeforeShowing()
{
    static std::chrono::milliseconds delay = std::chrono::seconds(1);
    return delay;
}

} // namespace

WorkProgress::WorkProgress(const QString &caption, const QString &label, int steps, QWidget *over)
    : m_bar(label, QStringLiteral("取消"), 0, qMax(1, steps), over,
            Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    m_bar.setObjectName(QStringLiteral("frmQX_Progress"));
    m_bar.setWindowTitle(caption);
    m_bar.setWindowModality(Qt::ApplicationModal);
    m_bar.setMinimumDuration(int(delayBeforeShowing().count()));
    m_bar.setAutoClose(false);
    m_bar.setAutoReset(false);
    // Esc, or a reset that closes the bar, stops the work as 取消 does.
    QObject::connect(&m_bar, &QProgressDialog::canceled, &m_bar, [this] { m_cancelled = true; });
    QObject::connect(&m_bar, &QDialog::rejected, &m_bar, [this] { m_cancelled = true; });
    // Starts the clock: the bar shows once the work has run that long, even between steps.
    m_bar.setValue(0);
    QApplication::setOverrideCursor(Qt::BusyCursor);
}

WorkProgress::~WorkProgress()
{
    QApplication::restoreOverrideCursor();
}

void WorkProgress::setDelay(std::chrono::milliseconds delay)
{
    delayBeforeShowing() = delay;
}

bool WorkProgress::step()
{
    if (!m_cancelled)
        m_bar.setValue(qMin(++m_done, m_bar.maximum()));
    letWindowsRun(false);
    return !m_cancelled;
}

bool WorkProgress::waitFor(const QFutureWatcherBase &work)
{
    // The watcher's signal wakes the wait once the work is done.
    while (!work.isFinished() && !m_cancelled)
        letWindowsRun(true);
    return !m_cancelled;
}

void WorkProgress::letWindowsRun(bool waitForMore)
{
    QEventLoop::ProcessEventsFlags flags = m_bar.isVisible() ? QEventLoop::AllEvents
                                                             : QEventLoop::ExcludeUserInputEvents;
    if (waitForMore)
        flags |= QEventLoop::WaitForMoreEvents;
    QCoreApplication::processEvents(flags);
}
