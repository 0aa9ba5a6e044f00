#pragma once

#include <QString>
#include <QVariant>

// The words for an offer-type code: 1 "出租", 2 "出售", 3 "租售均可"; any other code,
// or none, has no words.
QString offerTypeText(const QVariant &fpyx);
