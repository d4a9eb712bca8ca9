#pragma once

// The texts of the inspector: the caption naming what the program output carries, the camera
// label of a clip and the eight Clip Detail rows of the selected clip.
//
// Pure.

#include "playback/ClipItem.h"
#include "playback_screen/CenterMode.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace playback_screen {

// The first that holds: capture mode; a take previewed as a multi-view ("Take 3 (Multi-View)";
// "Take -" should the take number be absent); the output clip's slate name; the selected clip's;
// else "Same as preview".
QString inspectorCaption(CenterMode centerMode, bool isTakePreviewActive, std::optional<qint64> previewTake,
    const std::optional<playback::ClipItem>& secondaryClip, const std::optional<playback::ClipItem>& currentClip);

// "Cam N" for an input number of 1 or more, "-" for none, 0 or below, or no clip.
QString cameraName(const std::optional<playback::ClipItem>& clip);

// (title, value) for Name, Reel, Scene, Take, Cam, Duration, In and Out; an absent value is "-",
// a present empty one stays empty.
QList<std::pair<QString, QString>> clipDetailValues(const std::optional<playback::ClipItem>& clip);

} // namespace playback_screen
