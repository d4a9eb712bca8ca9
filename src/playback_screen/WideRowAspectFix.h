#pragma once

// Holds a picture area to 16:9, fitted and centred in the space offered, except while the take
// tiles are laid out as one wide row, which takes the whole space.

#include <QRect>

namespace playback_screen {

class WideRowAspectFix {
public:
    explicit WideRowAspectFix(bool enabled)
        : enabled_(enabled)
    {
    }
    bool isEnabled() const { return enabled_; }
    // The rectangle the content gets inside `offered`.
    QRect apply(const QRect& offered) const;

private:
    bool enabled_;
};

} // namespace playback_screen
