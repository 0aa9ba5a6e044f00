#include "forms/common/messagebox.h"

#include "forms/common/modal.h"

#include "core/logcategories.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageHandler &messageHandler()
{
    static MessageHandler handler;
    return handler;
}

// The window the box is shown over: the active one. Right after a dialog closed no window
// may be active yet (without a window manager nobody passes the keyboard on at once): then
// the modal dialog in front, or else the program's window on the screen.
QWidget *windowInFront()
{
    QWidget *active = QApplication::activeWindow();
    if (active && active->isVisible())
        return active;
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        const Qt::WindowType type = window->windowType();
        if (window->isVisible() && (type == Qt::Window || type == Qt::Dialog))
            return window;
    }
    return nullptr;
}

MessageAnswer showMessageBox(const QString &text, int flags, const QString &caption)
{
    const bool yesNo = flags == MessageFlags::YesNoCritical || flags == MessageFlags::YesNoInformation;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    if (flags == MessageFlags::Critical || flags == MessageFlags::YesNoCritical)
        icon = QMessageBox::Critical;
    else if (flags == MessageFlags::Information || flags == MessageFlags::YesNoInformation)
        icon = QMessageBox::Information;
    QMessageBox box(icon, caption, text,
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok, windowInFront());
    box.setWindowModality(Qt::ApplicationModal);
    takesKeyboardWhenShown(box);
    // The buttons speak the program's language, as the messages do.
    if (yesNo) {
        box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
        box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    } else {
        box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    }
    // Closed, the box hands the keyboard back to the window it was shown over.
    const int pressed = showModal(box);
    if (!yesNo)
        return MessageAnswer::Ok;
    return pressed == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

} // namespace

MessageAnswer showMessage(const QString &text, int flags, const QString &caption)
{
    if (messageHandler()) {
        if (const std::optional<MessageAnswer> answer = messageHandler()(text, flags, caption))
            return *answer;
    }
    return showMessageBox(text, flags, caption);
}

void setMessageHandler(MessageHandler handler)
{
    messageHandler() = std::move(handler);
}

MessageAnswer showError(const QLoggingCategory &(*category)(), const QString &text, int flags, const QString &caption)
{
    logError(category, caption + QStringLiteral("：") + text);
    return showMessage(text, flags, caption);
}
