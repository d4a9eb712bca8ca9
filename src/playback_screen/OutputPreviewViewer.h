#pragma once

// The small picture of what the program output carries, in the inspector: the small picture area
// (the viewer in playback mode, the live inputs in capture mode), under two labels that ignore the
// mouse: a card at the top left naming the output's colour mode and format (with an orange "HDR"
// tag for the HDR modes), and a green "OUT" pill at the top right while the output is requested
// on, whatever the device reports.
//
// Main thread only.

#include <QWidget>

namespace capture {
class RecordViewModel;
}

namespace playback_screen {

// The two labels, painted over the picture; the mouse passes through to the picture.
class OutputPreviewOverlay final : public QWidget {
    Q_OBJECT
public:
    static constexpr double outerPadding = 6;
    static constexpr double cornerRadius = 7;

    explicit OutputPreviewOverlay(capture::RecordViewModel& record, QWidget* parent = nullptr);

    QString colorText() const;
    QString formatText() const;
    bool showsHDR() const;
    bool showsOutPill() const;
    QRectF cardRect() const;
    QRectF hdrRect() const; // null without the tag
    QRectF pillRect() const; // null without the pill
    // The translucent dark fill standing in for the platform's blurred material.
    static QColor materialColor();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    capture::RecordViewModel& record_;
};

class OutputPreviewViewer final : public QWidget {
    Q_OBJECT
public:
    // Takes ownership of the picture.
    OutputPreviewViewer(capture::RecordViewModel& record, QWidget* picture, QWidget* parent = nullptr);

    QWidget* picture() const { return picture_; }
    OutputPreviewOverlay* overlay() const { return overlay_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* picture_;
    OutputPreviewOverlay* overlay_;
};

} // namespace playback_screen
