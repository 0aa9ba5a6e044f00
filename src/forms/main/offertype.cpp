#include "forms/main/offertype.h"

#include "core/valuetext.h"

QString offerTypeText(const QVariant &fpyx)
{
    if (ValueText::equalsNumber(fpyx, 1))
        return QStringLiteral("出租");
    if (ValueText::equalsNumber(fpyx, 2))
        return QStringLiteral("出售");
    if (ValueText::equalsNumber(fpyx, 3))
        return QStringLiteral("租售均可");
    return QString();
}
