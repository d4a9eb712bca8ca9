#pragma once

// Runs `react` (in `context`, on the main thread) after every publication of any of cloud sync's
// properties, for screens that redraw from the whole state.

#include "cloud/CloudSync.h"

#include <functional>

namespace projects_ui {

void onAnyChange(cloud::CloudSync& sync, QObject* context, const std::function<void()>& react);

} // namespace projects_ui
