#pragma once

// The few edits and reads the station makes on session description text.
//
// Threads: pure functions, any thread.

#include <QString>
#include <QStringList>

namespace remote {

// The "a=mid:" of each m-section, in m-line order (empty for a section without one).
QStringList sdpMediaIds(const QString& sdp);

// Gives m-section i without an "a=msid:" line the line "a=msid:stream-i mac-injected-video-i", so
// a browser groups each track in its own stream before any media has flowed. Other lines stay.
QString sdpWithStreamIds(const QString& sdp);

} // namespace remote
