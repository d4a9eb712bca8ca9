#include "playback_screen/WideRowAspectFix.h"

#include "media/frame/FrameCompositor.h"

namespace playback_screen {

QRect WideRowAspectFix::apply(const QRect& offered) const
{
    if (enabled_)
        return offered;
    return media::FrameCompositor::aspectFit(QSize(16, 9), offered);
}

} // namespace playback_screen
