#pragma once

// One tile of the capture live view, as a value: the input's name, picture, source line, timecode
// and recording state, painted into the rectangle the grid gives it. Picture at the back (or the
// "video.slash" placeholder), then, unless the HUD is hidden, a darkening of the lower half, the
// name chip and status badge at the top left, the source line (at most two lines) at the bottom
// left and the timecode at the bottom right, which always keeps its full width.
//
// Pure; main thread for painting.

#include "media/frame/Frame.h"
#include "playback_screen/StatusBadge.h"

#include <QFont>
#include <QRectF>
#include <QString>
#include <QStringList>

class QPainter;

namespace playback_screen {

struct CaptureTileView {
    QString title;
    media::Frame image;
    QString subline;
    QString timecode;
    bool isRecording = false;
    bool isCapturing = false;
    bool hideHUD = false;

    static constexpr double cornerRadius = 10;
    static constexpr double hudPadding = 10;
    static constexpr double topSpacing = 6;
    static constexpr double bottomSpacing = 8;
    static constexpr int maxSublineLines = 2;

    static QFont titleFont();
    static QFont sublineFont();
    static QFont timecodeFont();

    StatusBadge badge() const { return { StatusBadge::statusFor(isRecording, isCapturing) }; }
    bool operator==(const CaptureTileView& other) const;

    // Where the overlays go in a tile at `tile`; all null while the HUD is hidden.
    struct Hud {
        QRectF chip;
        QRectF badge;
        QRectF subline;
        QStringList sublineLines; // wrapped, the last one elided
        QRectF timecode;
    };
    Hud hud(const QRectF& tile) const;
    // The picture's place in the tile: the image's aspect ratio fitted and centred; null without one.
    QRectF pictureRect(const QRectF& tile) const;

    // `picture`, when given, is the image already fitted on black at the tile's pixel size, drawn 1:1.
    void paint(QPainter& painter, const QRectF& tile, double dotOpacity, const media::Frame& picture = {}) const;
};

} // namespace playback_screen
