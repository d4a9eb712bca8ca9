#pragma once

// What the project screens drive in the playback engine, as callbacks the shell connects: leaving
// project-selection mode once a project is open, entering it when the open project went away, and
// whether it is in that mode. Unset callbacks do nothing (and read as "not in the mode").

#include <functional>

namespace projects_ui {

struct PlaybackHooks {
    std::function<void()> enterProjectSelectionMode;
    std::function<void()> exitProjectSelectionMode;
    std::function<bool()> isProjectSelectionMode;

    void enter() const
    {
        if (enterProjectSelectionMode)
            enterProjectSelectionMode();
    }
    void exit() const
    {
        if (exitProjectSelectionMode)
            exitProjectSelectionMode();
    }
    bool inSelectionMode() const { return isProjectSelectionMode && isProjectSelectionMode(); }
};

} // namespace projects_ui
