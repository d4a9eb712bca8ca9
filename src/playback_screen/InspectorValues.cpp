#include "playback_screen/InspectorValues.h"

#include "playback/PlaybackViewModel.h"

namespace playback_screen {

QString inspectorCaption(CenterMode centerMode, bool isTakePreviewActive, std::optional<qint64> previewTake,
    const std::optional<playback::ClipItem>& secondaryClip, const std::optional<playback::ClipItem>& currentClip)
{
    if (centerMode == CenterMode::capture)
        return QStringLiteral("Capture (Realtime)");
    if (isTakePreviewActive) {
        const QString take = previewTake ? QString::number(*previewTake) : QStringLiteral("-");
        return QStringLiteral("Take ") + take + QStringLiteral(" (Multi-View)");
    }
    if (secondaryClip)
        return secondaryClip->slateDisplayName();
    if (currentClip)
        return currentClip->slateDisplayName();
    return QStringLiteral("Same as preview");
}

QString cameraName(const std::optional<playback::ClipItem>& clip)
{
    if (clip && clip->inputNumber && *clip->inputNumber >= 1)
        return QStringLiteral("Cam ") + QString::number(*clip->inputNumber);
    return QStringLiteral("-");
}

QList<std::pair<QString, QString>> clipDetailValues(const std::optional<playback::ClipItem>& clip)
{
    const QString none = QStringLiteral("-");
    auto text = [&](const std::optional<QString>& value) { return value ? *value : none; };
    auto time = [](std::optional<double> seconds) { return playback::PlaybackViewModel::formattedTime(seconds); };
    return {
        { QStringLiteral("Name"), clip ? clip->title : none },
        { QStringLiteral("Reel"), clip ? text(clip->reel) : none },
        { QStringLiteral("Scene"), clip ? text(clip->scene) : none },
        { QStringLiteral("Take"), clip && clip->take ? QString::number(*clip->take) : none },
        { QStringLiteral("Cam"), cameraName(clip) },
        { QStringLiteral("Duration"), clip ? time(clip->duration) : none },
        { QStringLiteral("In"), clip ? time(clip->markIn) : none },
        { QStringLiteral("Out"), clip ? time(clip->markOut) : none },
    };
}

} // namespace playback_screen
