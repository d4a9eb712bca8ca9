#pragma once

// hoverTooltip(): the station's own hover tooltip. `delay` seconds after the pointer comes to rest
// on `host` a small bubble with `label` fades in 32 points above the host's top edge, centred over
// it; it fades out when the pointer leaves. The bubble floats above the window's other widgets and
// never changes the host's layout.
//
// Calling it again on the same host changes the label and delay of the tooltip already attached.
// The delay runs on `scheduler` (the main-thread scheduler unless a test passes its own).

#include "platform/Scheduler.h"

#include <QString>

class QWidget;

namespace ui {

class HoverTooltipModifier;

HoverTooltipModifier* hoverTooltip(
    QWidget* host, const QString& label, double delay, platform::Scheduler& scheduler = platform::Scheduler::main());

} // namespace ui
