#include "core/heldinput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

namespace {

ReadingIndicator &readingIndicator()
{
    static ReadingIndicator indicator;
    return indicator;
}

// Tells the indicator that the database is being read from when show() is called until it
// goes.
class ReadingShown
{
public:
    ReadingShown() = default;
    ~ReadingShown()
    {
        if (m_shown)
            tell(false);
    }
    ReadingShown(const ReadingShown &) = delete;
    ReadingShown &operator=(const ReadingShown &) = delete;

    void show()
    {
        m_shown = true;
        tell(true);
    }

private:
    static void tell(bool reading)
    {
        if (readingIndicator())
            readingIndicator()(reading);
    }

    bool m_shown = false;
};

// The windows' handlers do not run inside one another. The wait keeps the user's input
// for later; a request to close a window, which is not held back with it, is refused.
class CloseRefused : public QObject
{
public:
    CloseRefused() { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Close)
            return false;
        event->ignore();
        return true;
    }
};

} // namespace

void setReadingIndicator(ReadingIndicator indicator)
{
    readingIndicator() = std::move(indicator);
}

void waitHoldingInput(QEventLoop &loop, std::chrono::milliseconds showReadingAfter)
{
    ReadingShown shown;
    QTimer moment;
    moment.setSingleShot(true);
    QObject::connect(&moment, &QTimer::timeout, &loop, [&shown] { shown.show(); });
    if (showReadingAfter.count() > 0)
        moment.start(showReadingAfter);
    else
        shown.show();
    const CloseRefused closeRefused;
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}
