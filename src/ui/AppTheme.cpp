#include "ui/AppTheme.h"

#include <QApplication>
#include <QFontDatabase>
#include <QWidget>

#include <algorithm>
#include <array>
#include <atomic>
#include <optional>

namespace ui {

namespace {

// One row per role, in the order of ColorRole (without `fixed`); columns: light, dark.
// The values play the roles of the desktop's semantic colours: window background, control
// background, under-page background, separator, label colours and the accent.
struct RoleColors {
    QRgb light;
    QRgb dark;
};

constexpr QRgb rgba(int r, int g, int b, double a)
{
    return (static_cast<QRgb>(a * 255.0 + 0.5) << 24) | (static_cast<QRgb>(r) << 16) | (static_cast<QRgb>(g) << 8)
        | static_cast<QRgb>(b);
}

// The separator is a translucent line colour; the border members are two fixed opacities of it.
constexpr double separatorAlphaLight = 0.22;
constexpr double separatorAlphaDark = 0.24;

constexpr std::array<RoleColors, 17> roleTable { {
    /* bg            */ { rgba(236, 236, 236, 1), rgba(44, 44, 46, 1) },
    /* surface       */ { rgba(255, 255, 255, 1), rgba(30, 30, 32, 1) },
    /* surface2      */ { rgba(244, 244, 246, 1), rgba(38, 38, 41, 1) },
    /* border        */ { rgba(0, 0, 0, separatorAlphaLight * 0.45), rgba(255, 255, 255, separatorAlphaDark * 0.45) },
    /* borderStrong  */ { rgba(0, 0, 0, separatorAlphaLight * 0.75), rgba(255, 255, 255, separatorAlphaDark * 0.75) },
    /* textPrimary   */ { rgba(0, 0, 0, 0.85), rgba(255, 255, 255, 0.88) },
    /* textSecondary */ { rgba(0, 0, 0, 0.55), rgba(255, 255, 255, 0.58) },
    /* textTertiary  */ { rgba(0, 0, 0, 0.32), rgba(255, 255, 255, 0.30) },
    /* accent        */ { rgba(0, 122, 255, 1), rgba(10, 132, 255, 1) },
    /* separator     */ { rgba(0, 0, 0, separatorAlphaLight), rgba(255, 255, 255, separatorAlphaDark) },
    /* systemRed     */ { rgba(255, 59, 48, 1), rgba(255, 69, 58, 1) },
    /* systemOrange  */ { rgba(255, 149, 0, 1), rgba(255, 159, 10, 1) },
    /* systemYellow  */ { rgba(255, 204, 0, 1), rgba(255, 214, 10, 1) },
    /* systemGreen   */ { rgba(40, 205, 65, 1), rgba(50, 215, 75, 1) },
    /* systemBlue    */ { rgba(0, 122, 255, 1), rgba(10, 132, 255, 1) },
    /* systemCyan    */ { rgba(50, 173, 230, 1), rgba(100, 210, 255, 1) },
    /* systemMint    */ { rgba(0, 199, 190, 1), rgba(102, 212, 207, 1) },
} };
static_assert(static_cast<std::size_t>(ColorRole::systemMint) == roleTable.size());

std::atomic<AppTheme::Appearance> currentAppearanceValue { AppTheme::Appearance::light };
std::atomic<bool> animationsOn { true };
settings::AppearanceMode appliedModeValue = settings::AppearanceMode::system;

// The palette the desktop gave, taken before the theme first changed the application's palette.
std::optional<QPalette>& desktopPalette()
{
    static std::optional<QPalette> palette;
    return palette;
}

void rememberDesktopPalette()
{
    if (!desktopPalette())
        desktopPalette() = QApplication::palette();
}

bool isDarkPalette(const QPalette& palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

QString cssColor(const QColor& color)
{
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(QString::number(color.alphaF(), 'f', 3));
}

} // namespace

QColor ThemeColor::color() const
{
    QColor base = role_ == ColorRole::fixed ? QColor::fromRgba(rgba_)
                                            : AppTheme::colorFor(role_, AppTheme::currentAppearance());
    if (opacity_ != 1.0)
        base.setAlphaF(static_cast<float>(std::clamp(base.alphaF() * opacity_, 0.0, 1.0)));
    return base;
}

QColor AppTheme::colorFor(ColorRole role, Appearance appearance)
{
    if (role == ColorRole::fixed)
        return QColor();
    const auto& entry = roleTable[static_cast<std::size_t>(role) - 1];
    return QColor::fromRgba(appearance == Appearance::dark ? entry.dark : entry.light);
}

QFont AppTheme::systemFont(double pixelSize, QFont::Weight weight)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}

QColor AppTheme::mix(const QColor& from, const QColor& to, double t)
{
    auto lerp = [t](float a, float b) { return static_cast<float>(a + (b - a) * t); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
        lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

QFont AppTheme::monospacedDigitFont(double pixelSize, QFont::Weight weight)
{
    // DejaVu Sans draws every digit at the same advance, so counters do not jitter.
    return systemFont(pixelSize, weight);
}

const QFont& AppTheme::fontSectionHeader()
{
    static const QFont font = [] {
        QFont f = systemFont(11, QFont::DemiBold);
        f.setCapitalization(QFont::SmallCaps);
        return f;
    }();
    return font;
}

const QFont& AppTheme::fontMono()
{
    static const QFont font = [] {
        QFont f(QStringLiteral("DejaVu Sans Mono"));
        f.setStyleHint(QFont::Monospace);
        f.setFixedPitch(true);
        f.setPixelSize(11);
        f.setWeight(QFont::Normal);
        return f;
    }();
    return font;
}

AppTheme::Appearance AppTheme::currentAppearance()
{
    return currentAppearanceValue.load(std::memory_order_relaxed);
}

settings::AppearanceMode AppTheme::appliedMode()
{
    return appliedModeValue;
}

ThemeNotifier* AppTheme::notifier()
{
    static ThemeNotifier* instance = new ThemeNotifier(qApp);
    return instance;
}

QPalette AppTheme::paletteFor(Appearance appearance)
{
    auto c = [appearance](ColorRole role) { return colorFor(role, appearance); };
    const bool dark = appearance == Appearance::dark;
    // Translucent label colours are flattened onto the window colour: palettes are opaque.
    auto onWindow = [&](ColorRole role) {
        const QColor top = c(role);
        const QColor under = c(ColorRole::bg);
        const double a = top.alphaF();
        return QColor::fromRgbF(static_cast<float>(top.redF() * a + under.redF() * (1 - a)),
            static_cast<float>(top.greenF() * a + under.greenF() * (1 - a)),
            static_cast<float>(top.blueF() * a + under.blueF() * (1 - a)));
    };
    QPalette p;
    const QColor text = onWindow(ColorRole::textPrimary);
    const QColor window = c(ColorRole::bg);
    const QColor base = c(ColorRole::surface);
    const QColor button = dark ? QColor(60, 60, 64) : QColor(250, 250, 250);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, c(ColorRole::surface2));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, c(ColorRole::systemRed));
    p.setColor(QPalette::Highlight, c(ColorRole::accent));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, c(ColorRole::accent));
    p.setColor(QPalette::LinkVisited, c(ColorRole::accent));
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, onWindow(ColorRole::textTertiary));
    p.setColor(QPalette::Light, dark ? button.lighter(130) : Qt::white);
    p.setColor(QPalette::Midlight, dark ? button.lighter(115) : QColor(240, 240, 240));
    p.setColor(QPalette::Mid, dark ? button.darker(130) : QColor(190, 190, 190));
    p.setColor(QPalette::Dark, dark ? button.darker(160) : QColor(160, 160, 160));
    p.setColor(QPalette::Shadow, Qt::black);
    const QColor disabledText = onWindow(ColorRole::textTertiary);
    for (auto role : { QPalette::WindowText, QPalette::Text, QPalette::ButtonText })
        p.setColor(QPalette::Disabled, role, disabledText);
    return p;
}

QString AppTheme::styleSheet()
{
    const QColor text = textPrimary.color();
    const QColor field = surface.color();
    const QColor line = borderStrong.color();
    const QColor focus = accent.color();
    const QColor muted = textTertiary.color();
    // Type selectors only: the custom-painted controls match no rule and keep their own painting.
    return QStringLiteral(
        "QToolTip { color: %1; background-color: %2; border: 1px solid %3; padding: 3px 6px; }\n"
        "QLineEdit, QPlainTextEdit, QTextEdit, QSpinBox, QDoubleSpinBox {"
        " color: %1; background-color: %2; border: 1px solid %3; border-radius: 6px; padding: 3px 6px;"
        " selection-background-color: %4; selection-color: white; }\n"
        "QLineEdit:focus, QPlainTextEdit:focus, QTextEdit:focus, QSpinBox:focus, QDoubleSpinBox:focus {"
        " border: 1px solid %4; }\n"
        "QLineEdit:disabled, QSpinBox:disabled, QDoubleSpinBox:disabled { color: %5; }\n"
        "QMenu { color: %1; background-color: %2; border: 1px solid %3; }\n"
        "QMenu::item:selected { background-color: %4; color: white; }\n")
        .arg(cssColor(text), cssColor(field), cssColor(line), cssColor(focus), cssColor(muted));
}

void AppTheme::apply(settings::AppearanceMode mode)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app)
        rememberDesktopPalette();

    Appearance appearance = Appearance::light;
    switch (mode) {
    case settings::AppearanceMode::system:
        appearance = (desktopPalette() && isDarkPalette(*desktopPalette())) ? Appearance::dark : Appearance::light;
        break;
    case settings::AppearanceMode::light:
        appearance = Appearance::light;
        break;
    case settings::AppearanceMode::dark:
        appearance = Appearance::dark;
        break;
    }
    const bool changed = appearance != currentAppearance() || mode != appliedModeValue;
    currentAppearanceValue.store(appearance, std::memory_order_relaxed);
    appliedModeValue = mode;
    if (!app)
        return;

    const QPalette palette = mode == settings::AppearanceMode::system ? *desktopPalette() : paletteFor(appearance);
    QApplication::setPalette(palette);
    // Setting a style sheet polishes every widget again: only when it changed.
    if (const QString sheet = styleSheet(); app->styleSheet() != sheet)
        app->setStyleSheet(sheet);
    // Custom-painted controls read the theme while painting: repaint them all once.
    const auto widgets = QApplication::allWidgets();
    for (QWidget* widget : widgets)
        widget->update();
    if (changed)
        emit notifier()->appearanceChanged();
}

void AppTheme::setDesktopPalette(const QPalette& palette)
{
    desktopPalette() = palette;
}

bool AppTheme::animationsEnabled()
{
    return animationsOn.load(std::memory_order_relaxed);
}

void AppTheme::setAnimationsEnabled(bool enabled)
{
    animationsOn.store(enabled, std::memory_order_relaxed);
}

} // namespace ui
