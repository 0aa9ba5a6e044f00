#pragma once

#include <QByteArray>
#include <QStringList>

// How a listing database on the server tells the desks that a listing changed: a trigger on
// each table that holds listing numbers (house, picture) sends a notification on one channel
// for every row written or deleted, with the listing's number as its payload. A desk listens
// on that channel. A notification without a payload stands for a change to any listing, for
// a back office that would rather say so once after a large load.
namespace ChangeNotice {

inline constexpr char channel[] = "quillonix_listing";

// The statement that makes the function the triggers call; once per database.
QString functionStatement();
// The statement that makes the trigger on table, whose column fybh holds the listing number.
QString triggerStatement(const QString &table);

} // namespace ChangeNotice
