#pragma once
// The desktop's notifications (org.freedesktop.Notifications on the session
// bus) for what ends while nobody looks at PenShelf: no window of it is
// active, or the active one is minimised. Sent without waiting for an answer;
// where no notification service runs, the bus refuses the call and nothing
// more happens.

#include <QString>
#include <QStringList>

namespace penshelf {

// A job that ran this long is worth telling of when it ends: by then the
// user has likely turned to something else.
inline constexpr qint64 longJobMs = 10000;

void notifyDesktop(const QString& summary, const QString& body);

// The end of an eject, the pens named as the pen list names them. Safe to
// pull out is said only when every pen was powered off; a pen that was only
// unmounted, or is still mounted, counts as failed.
void notifyEjected(const QStringList& ejected, const QStringList& failed);

// A copy of tookMs (an install, backup, restore or copy between pens) that
// ended: told when it took longJobMs or more.
void notifyLongJobEnded(qint64 tookMs, const QString& summary, const QString& body);

}  // namespace penshelf
