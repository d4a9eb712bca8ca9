#include "playback_screen/PictureArea.h"

#include "playback_screen/PlaybackView.h"
#include "playback_screen/ViewerContent.h"

#include <QVBoxLayout>

namespace playback_screen {

PictureArea::PictureArea(PlaybackView& screen, bool isMini, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
    , isMini_(isMini)
{
    setObjectName(isMini ? QStringLiteral("pictureAreaMini") : QStringLiteral("pictureArea"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    showMode(screen_.centerMode());
    connect(&screen_, &PlaybackView::centerModeChanged, this, &PictureArea::showMode);
}

void PictureArea::showMode(CenterMode mode)
{
    delete current_;
    current_
        = mode == CenterMode::playback ? new ViewerContent(screen_, isMini_) : screen_.makeCaptureLiveView(isMini_);
    layout()->addWidget(current_);
}

} // namespace playback_screen
