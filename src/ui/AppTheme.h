#pragma once

// The look every screen shares: a palette of named colours with one table for the light and one for
// the dark appearance, two fonts, and the switch that applies an appearance to the whole
// application.
//
// The colour members are constants that name a role; they resolve against the appearance in force
// each time they are read, so a switch of appearance recolours every pane, card and control at the
// next repaint without rebuilding anything. Colours may be read from any thread.

#include "settings/AppearanceMode.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <cstdint>

#include <QObject>

namespace ui {

enum class ColorRole : std::uint8_t {
    fixed, // a colour that does not follow the appearance
    bg,
    surface,
    surface2,
    border,
    borderStrong,
    textPrimary,
    textSecondary,
    textTertiary,
    accent,
    separator,
    systemRed,
    systemOrange,
    systemYellow,
    systemGreen,
    systemBlue,
    systemCyan,
    systemMint,
};

// A colour that follows the appearance (a role), or a fixed colour, with an opacity on top.
class ThemeColor {
public:
    constexpr ThemeColor(ColorRole role)
        : role_(role)
    {
    }
    ThemeColor(const QColor& fixed)
        : role_(ColorRole::fixed)
        , rgba_(fixed.rgba())
    {
    }

    // The colour under the appearance in force now.
    QColor color() const;
    // The same colour with its opacity multiplied by `factor`.
    constexpr ThemeColor opacity(double factor) const
    {
        ThemeColor copy = *this;
        copy.opacity_ = opacity_ * factor;
        return copy;
    }
    constexpr ColorRole role() const { return role_; }

    friend bool operator==(const ThemeColor&, const ThemeColor&) = default;

private:
    ColorRole role_;
    QRgb rgba_ = 0;
    double opacity_ = 1.0;
};

// Announces appearance switches to whoever keeps state derived from the theme.
class ThemeNotifier : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void appearanceChanged();
};

class AppTheme final {
public:
    AppTheme() = delete;

    enum class Appearance { light, dark };

    static constexpr ThemeColor bg { ColorRole::bg };
    static constexpr ThemeColor surface { ColorRole::surface };
    static constexpr ThemeColor surface2 { ColorRole::surface2 };
    static constexpr ThemeColor border { ColorRole::border };
    static constexpr ThemeColor borderStrong { ColorRole::borderStrong };
    static constexpr ThemeColor textSecondary { ColorRole::textSecondary };
    static constexpr ThemeColor textTertiary { ColorRole::textTertiary };
    static constexpr ThemeColor accent { ColorRole::accent };
    // The primary label colour; the standard controls and the hover tooltip write in it.
    static constexpr ThemeColor textPrimary { ColorRole::textPrimary };
    // Tints of the performance figures that have no threshold.
    static constexpr ThemeColor systemCyan { ColorRole::systemCyan };
    static constexpr ThemeColor systemMint { ColorRole::systemMint };

    // 11 px semibold, upper case shown as small capitals.
    static const QFont& fontSectionHeader();
    // 11 px regular, monospaced.
    static const QFont& fontMono();
    // The UI font at a pixel size and weight (the fixed table behind the named text styles).
    static QFont systemFont(double pixelSize, QFont::Weight weight = QFont::Normal);
    // The same with digits of equal width (DejaVu Sans's digits already are).
    static QFont monospacedDigitFont(double pixelSize, QFont::Weight weight = QFont::Normal);

    // The value of a role under an appearance.
    static QColor colorFor(ColorRole role, Appearance appearance);

    // The appearance the colours resolve against now.
    static Appearance currentAppearance();

    // Applies an appearance mode to the whole application: colours, the application palette and the
    // style sheet of the standard controls. `system` restores the palette the desktop gave when the
    // theme first touched the application and picks the table that matches its brightness.
    // Main thread only.
    static void apply(settings::AppearanceMode mode);
    static settings::AppearanceMode appliedMode();

    // `from` moved a fraction `t` (0...1) of the way to `to`, every channel and the opacity alike.
    static QColor mix(const QColor& from, const QColor& to, double t);

    // The palette the desktop gave at start-up, which `system` restores. Taken from the application
    // on the first apply() unless given earlier.
    static void setDesktopPalette(const QPalette& palette);

    // Connects the theme to the appearance setting: registers apply() as the hook that
    // AppSettings::applyAppearance() runs, and applies the stored mode at once so the first window
    // never shows the wrong appearance. Main thread only.
    static void install();

    // Emits appearanceChanged() after every apply() that changed the appearance or the palette.
    static ThemeNotifier* notifier();

    // The application palette for an appearance (standard controls).
    static QPalette paletteFor(Appearance appearance);
    // The style sheet of the standard controls under the appearance in force.
    static QString styleSheet();

    // Animations of the shared controls; tests switch them off so every change lands at once.
    static bool animationsEnabled();
    static void setAnimationsEnabled(bool enabled);
};

} // namespace ui
