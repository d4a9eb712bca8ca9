#pragma once

// The capsule button: a tinted pill, solid with a white label when prominent, faint with a tinted
// label and outline otherwise; compact pills use smaller text and padding.

#include "ui/ButtonStyle.h"

namespace ui {

class PillButtonStyle final : public ButtonStyle {
public:
    ThemeColor tint;
    bool isProminent;
    bool compact;

    explicit PillButtonStyle(ThemeColor tint, bool isProminent = false, bool compact = false)
        : tint(tint)
        , isProminent(isProminent)
        , compact(compact)
    {
    }

    std::unique_ptr<ButtonStyle> clone() const override { return std::make_unique<PillButtonStyle>(*this); }

    QFont labelFont() const override;
    QMarginsF padding() const override;
    QColor foreground() const override;
    QColor fillColor() const;
    QColor outlineColor() const;
    static constexpr double outlineWidth = 0.75;

    void paintBackground(QPainter& painter, const QRectF& pill, ShapeShadow& shadow) const override;
    void paintOverlay(QPainter& painter, const QRectF& pill) const override;

    double pressedOpacity() const override { return 0.68; }
    double pressedScale() const override { return 0.94; }
};

} // namespace ui
