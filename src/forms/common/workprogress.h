#pragma once

#include <QFutureWatcher>
#include <QProgressDialog>
#include <chrono>

// A long piece of work that the user may stop, done in steps on the window's thread (and on
// other threads it waits for). Between steps the windows paint and the clock runs. Keys and
// clicks wait while the work is short; once it has taken a second, a progress bar with 取消
// shows over the window, and then it alone takes them. 取消, Esc, or the bar closed by the
// reset for the next customer stop the work at the next step.
class WorkProgress
{
public:
    WorkProgress(const QString &caption, const QString &label, int steps, QWidget *over);
    ~WorkProgress();
    WorkProgress(const WorkProgress &) = delete;
    WorkProgress &operator=(const WorkProgress &) = delete;

    // One more step is done; false once the user has stopped the work.
    bool step();
    // Waits for work on another thread to finish; false when the user stopped the work first.
    template <class T>
    bool waitFor(const QFuture<T> &work)
    {
        QFutureWatcher<T> watcher;
        watcher.setFuture(work);
        return waitFor(watcher);
    }
    bool cancelled() const { return m_cancelled; }

    // How long work runs before its bar shows: a second, unless a test asks otherwise.
    static void setDelay(std::chrono::milliseconds delay);

private:
    bool waitFor(const QFutureWatcherBase &work);
    // Handles what is waiting: everything once the bar shows, all but keys and clicks before.
    void letWindowsRun(bool waitForMore);

    QProgressDialog m_bar;
    int m_done = 0;
    bool m_cancelled = false;
};
