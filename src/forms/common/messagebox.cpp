#include "forms/common/messagebox.h"

#include "forms/common/modal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageHandler &messageHandler()
{
    static MessageHandler handler;
    return handler;
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
                    yesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                    QApplication::activeWindow());
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
