// The palette of both appearances and switching between them while the application runs.

#include "settings/ui/AppTheme.h"
#include "kit/ScreenKit.h"
#include "settings/AppSettings.h"
#include "settings/ui/AppCard.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>

#include <thread>
#include <vector>

using Appearance = AppTheme::Appearance;
using screenkit::composite;
using screenkit::contrastRatio;

namespace {

const std::vector<ColorRole> namedRoles = { ColorRole::bg, ColorRole::surface, ColorRole::surface2, ColorRole::border,
    ColorRole::borderStrong, ColorRole::textSecondary, ColorRole::textTertiary, ColorRole::accent };

} // namespace

TEST(AppThemeColors, EveryNamedColourDiffersBetweenTheAppearances)
{
    for (ColorRole role : namedRoles) {
        const QColor light = AppTheme::colorFor(role, Appearance::light);
        const QColor dark = AppTheme::colorFor(role, Appearance::dark);
        EXPECT_TRUE(light.isValid());
        EXPECT_NE(light.rgba(), dark.rgba()) << static_cast<int>(role);
    }
}

TEST(AppThemeColors, SurfacesAreOpaqueAndDistinctInBothAppearances)
{
    for (Appearance a : { Appearance::light, Appearance::dark }) {
        const QColor bg = AppTheme::colorFor(ColorRole::bg, a);
        const QColor surface = AppTheme::colorFor(ColorRole::surface, a);
        const QColor surface2 = AppTheme::colorFor(ColorRole::surface2, a);
        for (const QColor& c : { bg, surface, surface2 })
            EXPECT_EQ(c.alpha(), 255);
        EXPECT_NE(bg.rgb(), surface.rgb());
        EXPECT_NE(surface.rgb(), surface2.rgb());
        // Light surfaces are light, dark ones dark.
        EXPECT_EQ(bg.lightness() > 128, a == Appearance::light);
    }
}

TEST(AppThemeColors, BordersAreTwoOpacitiesOfTheSeparator)
{
    for (Appearance a : { Appearance::light, Appearance::dark }) {
        const QColor separator = AppTheme::colorFor(ColorRole::separator, a);
        const QColor border = AppTheme::colorFor(ColorRole::border, a);
        const QColor strong = AppTheme::colorFor(ColorRole::borderStrong, a);
        EXPECT_EQ(border.rgb(), separator.rgb());
        EXPECT_EQ(strong.rgb(), separator.rgb());
        EXPECT_NEAR(border.alphaF(), separator.alphaF() * 0.45, 0.01);
        EXPECT_NEAR(strong.alphaF(), separator.alphaF() * 0.75, 0.01);
        // Still visible on the card surface.
        const QColor card = AppTheme::colorFor(ColorRole::surface2, a);
        EXPECT_GT(contrastRatio(composite(strong, card), card), 1.1);
    }
}

TEST(AppThemeColors, TextIsReadableOnEverySurface)
{
    for (Appearance a : { Appearance::light, Appearance::dark }) {
        for (ColorRole surfaceRole : { ColorRole::bg, ColorRole::surface, ColorRole::surface2 }) {
            const QColor under = AppTheme::colorFor(surfaceRole, a);
            auto ratio
                = [&](ColorRole text) { return contrastRatio(composite(AppTheme::colorFor(text, a), under), under); };
            EXPECT_GE(ratio(ColorRole::textPrimary), 7.0);
            EXPECT_GE(ratio(ColorRole::textSecondary), 4.5);
            EXPECT_GE(ratio(ColorRole::textTertiary), 1.8);
            EXPECT_LT(ratio(ColorRole::textTertiary), ratio(ColorRole::textSecondary));
        }
        // White labels on the accent and on the system tints stay legible.
        for (ColorRole tint : { ColorRole::accent, ColorRole::systemRed, ColorRole::systemBlue })
            EXPECT_GE(contrastRatio(Qt::white, AppTheme::colorFor(tint, a)), 3.0);
    }
}

TEST(AppThemeColors, ThemeColourResolvesAtEveryReadAndCarriesOpacity)
{
    screenkit::prepare();
    constexpr ThemeColor faint = AppTheme::accent.opacity(0.5).opacity(0.5);
    AppTheme::apply(AppearanceMode::light);
    EXPECT_EQ(AppTheme::accent.color(), AppTheme::colorFor(ColorRole::accent, Appearance::light));
    EXPECT_NEAR(faint.color().alphaF(), 0.25, 0.01);
    AppTheme::apply(AppearanceMode::dark);
    EXPECT_EQ(AppTheme::accent.color(), AppTheme::colorFor(ColorRole::accent, Appearance::dark));
    EXPECT_EQ(faint.color().rgb(), AppTheme::colorFor(ColorRole::accent, Appearance::dark).rgb());

    const ThemeColor fixed(QColor(10, 20, 30));
    EXPECT_EQ(fixed.color(), QColor(10, 20, 30));
    EXPECT_EQ(fixed.opacity(2.0).color().alpha(), 255) << "opacity is clamped";
    AppTheme::apply(AppearanceMode::light);
    EXPECT_EQ(fixed.color(), QColor(10, 20, 30));
}

TEST(AppThemeColors, ReadsFromManyThreadsAgree)
{
    AppTheme::apply(AppearanceMode::dark);
    std::vector<QRgb> seen(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < seen.size(); ++i)
        threads.emplace_back([&seen, i] { seen[i] = AppTheme::surface2.color().rgba(); });
    for (auto& t : threads)
        t.join();
    for (QRgb value : seen)
        EXPECT_EQ(value, AppTheme::colorFor(ColorRole::surface2, Appearance::dark).rgba());
}

TEST(AppThemeFonts, SectionHeaderAndMonoAreElevenPixels)
{
    EXPECT_EQ(AppTheme::fontSectionHeader().pixelSize(), 11);
    EXPECT_EQ(AppTheme::fontSectionHeader().weight(), QFont::DemiBold);
    EXPECT_EQ(AppTheme::fontSectionHeader().capitalization(), QFont::SmallCaps);
    EXPECT_EQ(AppTheme::fontMono().pixelSize(), 11);
    EXPECT_EQ(AppTheme::fontMono().weight(), QFont::Normal);
    EXPECT_EQ(QFontInfo(AppTheme::fontMono()).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_TRUE(QFontInfo(AppTheme::fontMono()).fixedPitch());
    EXPECT_EQ(QFontInfo(AppTheme::systemFont(14, QFont::DemiBold)).family(), QStringLiteral("DejaVu Sans"));
}

TEST(AppThemeSwitching, ApplyingAModeRepaintsControlsAndRestylesStandardOnes)
{
    auto card = screenkit::showWidget<AppCard>(QSize(120, 60), new QWidget, false);
    QLineEdit edit;
    edit.show();
    QSignalSpy changed(AppTheme::notifier(), &ThemeNotifier::appearanceChanged);

    AppTheme::apply(AppearanceMode::light);
    const QColor lightFill = screenkit::pixelAt(screenkit::screenshot(card.get(), "card-light"), QPoint(60, 30));
    EXPECT_TRUE(screenkit::sameColor(lightFill, AppTheme::colorFor(ColorRole::surface2, Appearance::light)));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), AppTheme::colorFor(ColorRole::bg, Appearance::light));

    AppTheme::apply(AppearanceMode::dark);
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::dark);
    EXPECT_EQ(AppTheme::appliedMode(), AppearanceMode::dark);
    EXPECT_EQ(changed.count(), 1);
    const QColor darkFill = screenkit::pixelAt(screenkit::screenshot(card.get(), "card-dark"), QPoint(60, 30));
    EXPECT_TRUE(screenkit::sameColor(darkFill, AppTheme::colorFor(ColorRole::surface2, Appearance::dark)));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), AppTheme::colorFor(ColorRole::bg, Appearance::dark));
    EXPECT_EQ(
        QApplication::palette().color(QPalette::Highlight), AppTheme::colorFor(ColorRole::accent, Appearance::dark));
    const QString darkSurface = QStringLiteral("rgba(30, 30, 32,");
    EXPECT_TRUE(qApp->styleSheet().contains(darkSurface)) << qApp->styleSheet().toStdString();

    // The same mode again changes nothing that anyone has to follow.
    AppTheme::apply(AppearanceMode::dark);
    EXPECT_EQ(changed.count(), 1);
}

TEST(AppThemeSwitching, SystemRestoresTheDesktopPaletteAndFollowsItsBrightness)
{
    screenkit::prepare();
    QPalette desktopDark;
    desktopDark.setColor(QPalette::Window, QColor(20, 20, 20));
    desktopDark.setColor(QPalette::WindowText, QColor(230, 230, 230));
    AppTheme::setDesktopPalette(desktopDark);

    AppTheme::apply(AppearanceMode::light);
    AppTheme::apply(AppearanceMode::system);
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::dark);
    EXPECT_EQ(AppTheme::appliedMode(), AppearanceMode::system);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(20, 20, 20));

    QPalette desktopLight;
    desktopLight.setColor(QPalette::Window, QColor(240, 240, 240));
    AppTheme::setDesktopPalette(desktopLight);
    AppTheme::apply(AppearanceMode::system);
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::light);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), QColor(240, 240, 240));
}

TEST(AppThemeSwitching, InstalledThemeFollowsTheAppearanceSetting)
{
    screenkit::prepare();
    AppSettings& settings = AppSettings::shared();
    settings.setAppearanceMode(AppearanceMode::light);
    QCoreApplication::processEvents();
    AppTheme::install();
    EXPECT_EQ(AppTheme::appliedMode(), AppearanceMode::light) << "the stored mode is applied at once";

    settings.setAppearanceMode(AppearanceMode::dark);
    QCoreApplication::processEvents();
    EXPECT_EQ(AppTheme::appliedMode(), AppearanceMode::dark);
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::dark);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), AppTheme::colorFor(ColorRole::bg, Appearance::dark));

    settings.setAppearanceMode(AppearanceMode::light);
    settings.applyAppearance();
    QCoreApplication::processEvents();
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::light);
    AppSettings::setAppearanceHook({});
}
