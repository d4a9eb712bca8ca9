// The palette of both appearances and switching between them while the application runs.

#include "ui/AppTheme.h"
#include "kit/ScreenKit.h"
#include "settings/AppSettings.h"
#include "ui/AppCard.h"

#include <gtest/gtest.h>

#include <QSignalSpy>

namespace ui {

using Appearance = AppTheme::Appearance;
using screenkit::composite;
using screenkit::contrastRatio;

TEST(AppThemeColors, EveryColourOfBothAppearancesDoesItsJob)
{
    // onSurfaces: the least contrast of the colour painted over each of the three surfaces (0 for a
    // surface itself); whiteOn: the least contrast of a white label drawn on it (0: none is).
    struct Duty {
        ColorRole role;
        double onSurfaces;
        double whiteOn;
    };
    // clang-format off
    const Duty duties[] = {
        { ColorRole::bg, 0, 0 }, { ColorRole::surface, 0, 0 }, { ColorRole::surface2, 0, 0 },
        { ColorRole::separator, 1.2, 0 }, { ColorRole::border, 1.1, 0 }, { ColorRole::borderStrong, 1.15, 0 },
        { ColorRole::textPrimary, 7.0, 0 }, { ColorRole::textSecondary, 4.5, 0 }, { ColorRole::textTertiary, 1.8, 0 },
        { ColorRole::accent, 3.0, 3.0 }, { ColorRole::systemRed, 2.5, 3.0 }, { ColorRole::systemBlue, 3.0, 3.0 },
        { ColorRole::systemOrange, 1.25, 0 }, { ColorRole::systemYellow, 1.25, 0 }, { ColorRole::systemGreen, 1.25, 0 },
        { ColorRole::systemCyan, 1.25, 0 }, { ColorRole::systemMint, 1.25, 0 },
    };
    // clang-format on
    static_assert(std::size(duties) == static_cast<std::size_t>(ColorRole::systemMint), "every role but fixed");

    for (Appearance a : { Appearance::light, Appearance::dark }) {
        const bool light = a == Appearance::light;
        auto c = [a](ColorRole role) { return AppTheme::colorFor(role, a); };
        const QColor surfaces[] = { c(ColorRole::bg), c(ColorRole::surface), c(ColorRole::surface2) };
        for (const Duty& duty : duties) {
            const QColor colour = c(duty.role);
            SCOPED_TRACE(testing::Message() << "role " << static_cast<int>(duty.role) << (light ? " light" : " dark"));
            EXPECT_NE(
                colour.rgba(), AppTheme::colorFor(duty.role, light ? Appearance::dark : Appearance::light).rgba());
            if (duty.onSurfaces == 0) {
                EXPECT_EQ(colour.alpha(), 255);
                EXPECT_EQ(colour.lightness() > 128, light);
            }
            for (const QColor& under : surfaces)
                EXPECT_GE(contrastRatio(composite(colour, under), under), duty.onSurfaces);
            EXPECT_GE(contrastRatio(Qt::white, colour), duty.whiteOn);
        }
        EXPECT_NE(surfaces[0].rgb(), surfaces[1].rgb());
        EXPECT_NE(surfaces[1].rgb(), surfaces[2].rgb());
        // The tertiary label reads less than the secondary.
        const QColor under = surfaces[0];
        EXPECT_LT(contrastRatio(composite(c(ColorRole::textTertiary), under), under),
            contrastRatio(composite(c(ColorRole::textSecondary), under), under));
    }
}

TEST(AppThemeSwitching, InstalledThemeFollowsTheSettingAndRepaintsAndRestylesAtRunTime)
{
    screenkit::prepare();
    settings::AppSettings& settings = settings::AppSettings::shared();
    settings.setAppearanceMode(settings::AppearanceMode::light);
    QCoreApplication::processEvents();
    AppTheme::install();
    EXPECT_EQ(AppTheme::appliedMode(), settings::AppearanceMode::light) << "the stored mode is applied at once";
    auto card = screenkit::showWidget<AppCard>(QSize(120, 60), new QWidget, false);
    auto fill = [&](const QString& name) {
        return screenkit::pixelAt(screenkit::screenshot(card.get(), name), { 60, 30 });
    };
    QSignalSpy changed(AppTheme::notifier(), &ThemeNotifier::appearanceChanged);
    EXPECT_TRUE(screenkit::sameColor(fill("card-light"), AppTheme::colorFor(ColorRole::surface2, Appearance::light)));

    settings.setAppearanceMode(settings::AppearanceMode::dark);
    QCoreApplication::processEvents();
    EXPECT_EQ(AppTheme::appliedMode(), settings::AppearanceMode::dark);
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::dark);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_TRUE(screenkit::sameColor(fill("card-dark"), AppTheme::colorFor(ColorRole::surface2, Appearance::dark)));
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), AppTheme::colorFor(ColorRole::bg, Appearance::dark));

    // The same mode again changes nothing that anyone has to follow.
    settings.applyAppearance();
    QCoreApplication::processEvents();
    EXPECT_EQ(changed.count(), 1);

    settings.setAppearanceMode(settings::AppearanceMode::light);
    QCoreApplication::processEvents();
    EXPECT_EQ(AppTheme::currentAppearance(), Appearance::light);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), AppTheme::colorFor(ColorRole::bg, Appearance::light));
    settings::AppSettings::setAppearanceHook({});
}

} // namespace ui
