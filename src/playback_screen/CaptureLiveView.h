#pragma once

// The live inputs in the playback screen's picture area: one tile per active input (Cam 1 to
// Cam 4) in a black 16:9 frame with rounded corners, each painted by this one widget from the
// tile rectangles of captureTileRects. Nothing on it reacts to the mouse.
//
// Each input's preview is scaled off the main thread to its tile's pixel size by a frame cache of
// its own and drawn 1:1; a new preview, timecode or state of one input repaints only that tile,
// and a pulse tick only the dots of the badges. The badges' dots fade on the shared pulse clock,
// which this view holds only while it is visible, shows its HUD and has a recording or capturing
// input. A dot's fade starts afresh when its status changes and whenever its badge shows again
// (the HUD shown again, the view shown again, the input count bringing the tile back).
//
// Main thread only.

#include "playback_screen/CaptureTileLayout.h"
#include "playback_screen/CaptureTileView.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

namespace capture {
class RecordViewModel;
}
namespace media {
class ScaledFrameCache;
}

namespace playback_screen {

class BadgePulseClock;

class CaptureLiveView final : public QWidget {
    Q_OBJECT
public:
    static constexpr int slotCount = 4;

    CaptureLiveView(capture::RecordViewModel& record, BadgePulseClock& pulse, bool isMini, QWidget* parent = nullptr);
    ~CaptureLiveView() override;

    bool isMini() const { return isMini_; }
    bool hideHUD() const { return hideHUD_; }
    void setHideHUD(bool hide);

    // The engine's input count, read clamped to 1...4.
    int tileCount() const;
    // Tile `index` as the engine describes it now (an index outside 0...3 gives an empty tile).
    CaptureTileView tile(int index) const;
    // The layout at the view's size, every rectangle on whole pixels.
    CaptureTileLayout tileLayout() const;
    // The dot opacity a badge shows now (1 without a fade running).
    double dotOpacity(int index) const;
    // The scaled previews of an input (tests read which sizes are in use).
    const media::ScaledFrameCache& pictures(int index) const;

    QSize sizeHint() const override { return { 640, 360 }; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void inputChanged(int index);
    void countChanged();
    void previewChanged(int index);
    double pulseNow() const;
    void restartPulses();
    void updatePulseHold();
    void pulseTicked();
    void acquirePictureSizes();
    QRectF tileRect(int index) const;
    QSize pixelSize(const QRectF& rect) const;

    capture::RecordViewModel& record_;
    // The clock may go first when both belong to the screen.
    QPointer<BadgePulseClock> pulse_;
    const bool isMini_;
    bool hideHUD_ = false;
    bool holdingPulse_ = false;
    int shownCount_ = 1;
    std::array<CaptureTileView, slotCount> shown_;
    std::array<double, slotCount> pulseStart_ {};
    std::array<std::unique_ptr<media::ScaledFrameCache>, slotCount> pictures_;
    std::array<QSize, slotCount> acquired_ {};
    CaptureTileLayout layout_;
};

} // namespace playback_screen
