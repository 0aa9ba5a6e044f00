#include "core/logcategories.h"

Q_LOGGING_CATEGORY(lcDatabase, "quillonix.db")
Q_LOGGING_CATEGORY(lcPhoto, "quillonix.photo")
Q_LOGGING_CATEGORY(lcFile, "quillonix.file")

void logError(const QLoggingCategory &(*category)(), const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (QString &line : lines)
        line = line.trimmed();
    qCWarning(category).noquote() << lines.join(QLatin1Char(' '));
}
