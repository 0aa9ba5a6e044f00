#pragma once

#include <QLoggingCategory>
#include <QString>
#include <functional>
#include <optional>

// Every message to the user goes through showMessage: a modal box with a text, a caption
// that names the operation, and the flags of the desktop the program grew up on.
namespace MessageFlags {
enum : int {
    OkOnly = 0,
    Critical = 16,           // OK, critical icon
    YesNoCritical = 20,      // Yes and No, critical icon
    Information = 64,        // OK, information icon
    YesNoInformation = 68,   // Yes and No, information icon
};
}

// The button the user pressed.
enum class MessageAnswer { Ok, Yes, No };

MessageAnswer showMessage(const QString &text, int flags, const QString &caption);
// An error of the database, a file or a photo: shown as showMessage shows it, and written to
// the log under category first (quillonix.db, quillonix.photo, quillonix.file), the caption
// and the text in one line, so that a desktop session's journal keeps what the desk was told.
MessageAnswer showError(const QLoggingCategory &(*category)(), const QString &text, int flags, const QString &caption);

// Replaces the message box, so that a test reads every message and gives the answer. A
// handler that gives no answer leaves it to the message box after all, for a test that
// answers with the user's own keys. An empty handler restores the message box.
using MessageHandler
    = std::function<std::optional<MessageAnswer>(const QString &text, int flags, const QString &caption)>;
void setMessageHandler(MessageHandler handler);
