#pragma once

// The larger record button: a solid tinted pill with a white label and a glow of the tint under
// it. The caller chooses the label's font.

#include "ui/ButtonStyle.h"

namespace ui {

class RecordPillButtonStyle final : public ButtonStyle {
public:
    ThemeColor tint;

    static constexpr double glowOpacity = 0.45;
    static constexpr double glowRadius = 8.0;
    static constexpr double glowOffsetY = 4.0;

    explicit RecordPillButtonStyle(ThemeColor tint)
        : tint(tint)
    {
    }

    std::unique_ptr<ButtonStyle> clone() const override { return std::make_unique<RecordPillButtonStyle>(*this); }

    QFont labelFont() const override;
    QMarginsF padding() const override { return QMarginsF(24, 13, 24, 13); }
    QColor foreground() const override { return Qt::white; }
    QMarginsF outerMargins() const override;
    void paintBackground(QPainter& painter, const QRectF& pill, ShapeShadow& shadow) const override;

    double pressedOpacity() const override { return 0.78; }
    double pressedScale() const override { return 0.97; }
};

} // namespace ui
