#include "remote/webrtc/SdpText.h"

namespace remote {

namespace {

// Sections split at "m=" lines; the first is the session part. Line ends are kept as found.
QStringList sdpLines(const QString& sdp)
{
    return sdp.split(QLatin1Char('\n'));
}

bool isMediaLine(const QString& line)
{
    return line.startsWith(QLatin1String("m="));
}

} // namespace

QStringList sdpMediaIds(const QString& sdp)
{
    QStringList mids;
    for (const QString& raw : sdpLines(sdp)) {
        const QString line = raw.trimmed();
        if (isMediaLine(line))
            mids.append(QString());
        else if (!mids.isEmpty() && line.startsWith(QLatin1String("a=mid:")))
            mids.last() = line.mid(6);
    }
    return mids;
}

QString sdpWithStreamIds(const QString& sdp)
{
    const QStringList lines = sdpLines(sdp);
    const QString end = sdp.contains(QLatin1String("\r\n")) ? QStringLiteral("\r") : QString();
    QStringList out;
    int section = -1;
    bool hasMsid = false;
    const auto closeSection = [&] {
        if (section < 0 || hasMsid)
            return;
        // Before the trailing empty piece a final line end leaves.
        int at = int(out.size());
        while (at > 0 && out[at - 1].trimmed().isEmpty())
            --at;
        out.insert(at, QStringLiteral("a=msid:stream-%1 mac-injected-video-%1").arg(section) + end);
    };
    for (const QString& line : lines) {
        if (isMediaLine(line.trimmed())) {
            closeSection();
            ++section;
            hasMsid = false;
        } else if (line.trimmed().startsWith(QLatin1String("a=msid:"))) {
            hasMsid = true;
        }
        out.append(line);
    }
    closeSection();
    return out.join(QLatin1Char('\n'));
}

} // namespace remote
