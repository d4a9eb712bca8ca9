#include "remote/CaptureRemotePort.h"

namespace remote {

QString CaptureRemotePort::outputColorModeLabel(int raw)
{
    switch (raw) {
    case 0:
        return QStringLiteral("Auto (Source)");
    case 1:
        return QStringLiteral("Rec.709 (SDR)");
    case 2:
        return QStringLiteral("Rec.2020 (SDR)");
    case 3:
        return QStringLiteral("Rec.2020 + PQ (HDR)");
    case 4:
        return QStringLiteral("Rec.2020 + HLG (HDR)");
    case 5:
        return QStringLiteral("P3-D65 ST2084 (HDR)");
    default:
        return {};
    }
}

} // namespace remote
