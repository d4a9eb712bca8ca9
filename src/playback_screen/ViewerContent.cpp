#include "playback_screen/ViewerContent.h"

#include "playback/PlaybackViewModel.h"
#include "playback_screen/OfflineOverlay.h"
#include "playback_screen/PlaybackView.h"
#include "playback_screen/PlayerView.h"
#include "playback_screen/WideRowAspectFix.h"
#include "settings/RecordSidebarState.h"
#include "ui/AppTheme.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace playback_screen {

namespace {

// The black fill of the frame.
class BlackFrame final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).fillRect(rect(), Qt::black); }
};

// Paints the pane's colour outside the rounded corners, over the picture.
class CornerMask final : public QWidget {
public:
    CornerMask(double radius, QWidget* parent)
        : QWidget(parent)
        , radius_(radius)
    {
        setObjectName(QStringLiteral("cornerMask"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath outside;
        outside.setFillRule(Qt::OddEvenFill);
        outside.addRect(rect());
        outside.addRoundedRect(QRectF(rect()), radius_, radius_);
        painter.fillPath(outside, ui::AppTheme::surface.color());
    }

private:
    double radius_;
};

} // namespace

ViewerContent::ViewerContent(PlaybackView& screen, bool isMini, QWidget* parent)
    : QWidget(parent)
    , screen_(screen)
    , isMini_(isMini)
{
    setObjectName(isMini ? QStringLiteral("viewerContentMini") : QStringLiteral("viewerContent"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    frame_ = new BlackFrame(this);
    frame_->setObjectName(QStringLiteral("viewerFrame"));
    mask_ = new CornerMask(radius(), frame_);

    playback::PlaybackViewModel& vm = screen_.models().vm;
    connect(&vm, &playback::PlaybackViewModel::clipsChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::selectedClipIDChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::secondaryClipIDChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::previewTakeChanged, this, [this] { updates_.request(); });
    connect(&vm, &playback::PlaybackViewModel::previewTakeClipIDsChanged, this, [this] { updates_.request(); });
    connect(&screen_.models().sidebar, &settings::RecordSidebarState::isCollapsedChanged, this,
        [this] { updates_.request(); });
    refresh();
}

ViewerContent::Shape ViewerContent::currentShape() const
{
    const playback::PlaybackViewModel& vm = screen_.models().vm;
    const std::optional<playback::ClipItem> current = vm.currentClip();
    const std::optional<playback::ClipItem> secondary = vm.secondaryClip();
    Shape shape;
    shape.leftOffline = current && current->offline;
    if (vm.isTakePreviewActive()) {
        shape.layout = Layout::take;
        shape.leftOffline = false;
        shape.wideRow = !isMini_ && screen_.isRecordCollapsed() && vm.previewTakeClips().size() < 5;
    } else if (secondary) {
        shape.layout = Layout::split;
        shape.rightOffline = secondary->offline;
    }
    return shape;
}

void ViewerContent::apply()
{
    const Shape shape = currentShape();
    if (!built_ || shape != shape_) {
        shape_ = shape;
        rebuild();
    }
    playback::PlaybackViewModel& vm = screen_.models().vm;
    if (left_)
        left_->setPlayer(vm.player());
    if (right_)
        right_->setPlayer(vm.programPlayer());
}

QWidget* ViewerContent::side(bool offline, PlayerView** view)
{
    if (offline) {
        *view = nullptr;
        return new OfflineOverlay(!isMini_);
    }
    *view = new PlayerView(screen_.models().scheduler);
    return *view;
}

void ViewerContent::rebuild()
{
    built_ = true;
    delete content_;
    left_ = right_ = nullptr;
    content_ = new QWidget(frame_);
    content_->setObjectName(QStringLiteral("viewerLayout"));
    auto* layout = new QHBoxLayout(content_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(splitSpacing);
    switch (shape_.layout) {
    case Layout::take:
        layout->setContentsMargins(takeInset, takeInset, takeInset, takeInset);
        layout->addWidget(screen_.makeTakeMultiView(isMini_, shape_.wideRow, radius()));
        break;
    case Layout::split:
        layout->addWidget(side(shape_.leftOffline, &left_), 1);
        layout->addWidget(side(shape_.rightOffline, &right_), 1);
        break;
    case Layout::single:
        layout->addWidget(side(shape_.leftOffline, &left_));
        break;
    }
    content_->setGeometry(frame_->rect());
    content_->show();
    mask_->raise();
    placeFrame();
}

QRect ViewerContent::frameRect() const
{
    const QRect area = WideRowAspectFix(shape_.wideRow).apply(rect());
    const int i = outerInset();
    return area.adjusted(i, i, -i, -i);
}

void ViewerContent::placeFrame()
{
    frame_->setGeometry(frameRect());
    if (content_)
        content_->setGeometry(frame_->rect());
    mask_->setGeometry(frame_->rect());
}

void ViewerContent::resizeEvent(QResizeEvent*)
{
    placeFrame();
}

QList<PlayerView*> ViewerContent::playerViews() const
{
    QList<PlayerView*> views;
    for (PlayerView* view : { left_, right_ }) {
        if (view)
            views.append(view);
    }
    return views;
}

} // namespace playback_screen
