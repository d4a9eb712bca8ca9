#pragma once

// "MEDIA OFFLINE": drawn in place of a player whose file is missing. The area is darkened and a
// card in the middle carries a crossed-out bolt, the title and "File not found on disk", in a
// big form (the centre viewer) and a small one (the output preview, take tiles). The card's texts
// use the primary text colour, which stays readable on the card's surface in both appearances.
//
// Also the content of the playlist row's small offline badge: the bolt and "OFFLINE".
//
// Main thread only.

#include "ui/ShapeShadow.h"

#include <QWidget>

namespace playback_screen {

class OfflineOverlay final : public QWidget {
    Q_OBJECT
public:
    static constexpr double cardCornerRadius = 16.0;

    explicit OfflineOverlay(bool big, QWidget* parent = nullptr);

    bool isBig() const { return big_; }
    // The card, centred in the overlay.
    QRectF cardRect() const;

    // The badge content: symbol and text side by side (the row's badge gives spacing, colours,
    // padding and shape).
    static QWidget* makeMiniBadgeContent(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Metrics;
    Metrics metrics() const;

    bool big_;
    ui::ShapeShadow shadow_;
};

} // namespace playback_screen
