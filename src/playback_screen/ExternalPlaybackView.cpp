#include "playback_screen/ExternalPlaybackView.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/PlayerView.h"
#include "settings/AppSettings.h"

#include <QPainter>
#include <QVBoxLayout>

namespace playback_screen {

ExternalPlaybackView::ExternalPlaybackView(playback::PlaybackViewModel& viewModel, settings::AppSettings& settings,
    platform::Scheduler& scheduler, QWidget* parent)
    : QWidget(parent)
    , viewModel_(viewModel)
    , settings_(settings)
    , player_(new PlayerView(scheduler))
{
    setObjectName(QStringLiteral("externalPlaybackView"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(player_);
    connect(
        &settings_, &settings::AppSettings::hdmiOutFollowsPreviewChanged, this, &ExternalPlaybackView::followSetting);
    followSetting();
}

void ExternalPlaybackView::followSetting()
{
    player_->setPlayer(settings_.hdmiOutFollowsPreview() ? viewModel_.player() : viewModel_.programPlayer());
}

void ExternalPlaybackView::paintEvent(QPaintEvent*)
{
    QPainter(this).fillRect(rect(), Qt::black);
}

} // namespace playback_screen
