#include "forms/common/modal.h"

#include <QDialog>
#include <QEvent>

namespace {

// Watches one window for its showing.
class KeyboardOnShow : public QObject
{
public:
    explicit KeyboardOnShow(QWidget &window) : QObject(&window), m_window(window)
    {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == &m_window && event->type() == QEvent::Show)
            m_window.activateWindow();
        return false;
    }

private:
    QWidget &m_window;
};

} // namespace

int showModal(QDialog &dialog)
{
    const int result = dialog.exec();
    if (QWidget *owner = dialog.parentWidget()) {
        if (owner->window()->isVisible())
            owner->window()->activateWindow();
    }
    return result;
}

void takesKeyboardWhenShown(QWidget &window)
{
    new KeyboardOnShow(window);
}
