#pragma once

#include <QLoggingCategory>

// Every database, file and photo error that the program shows the user is also written to
// stderr under one of these, so that a desktop session's journal keeps it. A line never
// holds a password or any other secret of a connection.
Q_DECLARE_LOGGING_CATEGORY(lcDatabase) // "quillonix.db": the listing database and its server
Q_DECLARE_LOGGING_CATEGORY(lcPhoto)    // "quillonix.photo": a listing's photo files
Q_DECLARE_LOGGING_CATEGORY(lcFile)     // "quillonix.file": settings, folders, saved files

// Writes text to the log under category as one line, its lines joined by blanks: a journal
// keeps each line as an entry of its own.
void logError(const QLoggingCategory &(*category)(), const QString &text);
