#pragma once

// The REC / LIVE / IDLE capsule of a capture tile: a pulsing dot (none while idle) and the label on
// the status colour. The badge is painted, not a widget, so a tile repaints it in place; the dot's
// opacity comes from the shared pulse clock.
//
// Pure; main thread for painting.

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

class QPainter;

namespace playback_screen {

struct StatusBadge {
    // Declared in the order recording, capturing, idle: recording wins over capturing.
    enum class Status { rec, live, idle };

    Status status = Status::idle;

    static Status statusFor(bool isRecording, bool isCapturing);

    static QString label(Status status);
    static QColor dotColor(Status status);
    static QColor background(Status status);
    // One fade from full to quarter opacity takes this long (the way back as long again); 0: no dot.
    static double pulsePeriod(Status status);
    // The dot's opacity `elapsed` seconds after it appeared: eases from 1 to 0.25 over one period,
    // back over the next, for ever.
    static double pulseOpacity(double elapsed, double period);

    static QFont labelFont();
    static constexpr double dotSize = 5;
    static constexpr double spacing = 5;
    static constexpr double padX = 8;
    static constexpr double padY = 4;
    static constexpr double dimOpacity = 0.25;

    QSizeF size() const;
    // The dot's square inside a badge drawn at `rect` (empty while idle).
    QRectF dotRect(const QRectF& rect) const;
    void paint(QPainter& painter, const QRectF& rect, double dotOpacity) const;
};

} // namespace playback_screen
