#include "core/logcategories.h"

Q_LOGGING_CATEGORY(lcDatabase, "quillonix.db")
Q_LOGGING_CATEGORY(lcPhoto, "quillonix.photo")
Q_LOGGING_CATEGORY(lcFile, "quillonix.file")

void logEachLine(const QLoggingCategory &(*category)(), const QString &text)
{
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        qCWarning(category).noquote() << line;
}
