// The symbol registry: every name the screens use resolves, renders visible ink in the requested
// colour, keeps its cut-outs transparent, and unknown names fail softly.

#include "ui/IconRegistry.h"
#include "kit/ScreenKit.h"
#include "ui/AppTheme.h"
#include "ui/SymbolImage.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QSet>

namespace ui {

namespace {

// The symbols that the station's screens show.
const QStringList screenSymbols
    = QString("arrow.clockwise arrow.counterclockwise arrow.down.circle.fill arrow.right.circle.fill "
              "arrow.triangle.2.circlepath arrow.up.circle.fill arrowshape.backward.fill arrowshape.forward.fill "
              "bolt.slash.fill books.vertical bubble.left.and.bubble.right.fill checkmark checkmark.circle.fill "
              "chevron.down chevron.down.2 chevron.right chevron.right.2 clock clock.badge cloud cloud.slash "
              "doc.on.doc dot.radiowaves.left.and.right eraser.fill exclamationmark.triangle.fill "
              "externaldrive.badge.xmark eye eye.slash film folder folder.badge.gearshape folder.badge.plus "
              "folder.fill gearshape hand.thumbsup hand.thumbsup.fill info.circle internaldrive lock.shield minus "
              "pause.fill pencil person.badge.key person.badge.key.fill person.slash pip.enter play.fill "
              "play.rectangle.fill plus questionmark.bubble record.circle record.circle.fill "
              "rectangle.bottomthird.inset rectangle.grid.2x2 repeat sidebar.leading slider.horizontal.3 "
              "square.and.arrow.down square.and.arrow.up square.grid.2x2 square.lefthalf.filled "
              "square.righthalf.filled square.split.2x1 stop.fill timeline.selection timer trash trash.fill "
              "trash.slash video.slash waveform.path.ecg xmark xmark.circle.fill xmark.rectangle")
          .split(u' ', Qt::SkipEmptyParts);

} // namespace

TEST(IconRegistry, EveryScreenSymbolIsRegisteredAndRendersVisibleInkInTheTint)
{
    screenkit::prepare();
    const QStringList names = IconRegistry::names();
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()), QSet<QString>(screenSymbols.begin(), screenSymbols.end()));
    const QColor tint(200, 40, 120);
    for (const QString& name : screenSymbols) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(IconRegistry::contains(name));
        const QImage image = IconRegistry::pixmap(name, QSizeF(24, 24), tint, 2.0).toImage();
        ASSERT_EQ(image.size(), QSize(48, 48));
        int inked = 0;
        int wrongColour = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                inked += c.alpha() >= 16 ? 1 : 0;
                // Faint edge pixels lose colour precision when premultiplied; judge the solid ones.
                if (c.alpha() >= 96 && !screenkit::sameColor(QColor(c.red(), c.green(), c.blue()), tint, 2))
                    ++wrongColour;
            }
        }
        // Visible, but not a solid square either.
        EXPECT_GT(inked, 48 * 48 / 20);
        EXPECT_LT(inked, 48 * 48 * 9 / 10);
        EXPECT_EQ(wrongColour, 0);
    }
}

TEST(IconRegistry, CutOutsStayTransparentInkFollowsTheTintsAlphaAndUnknownNamesGiveNothing)
{
    const QImage cross = IconRegistry::pixmap("xmark.circle.fill", QSizeF(48, 48), Qt::black).toImage();
    EXPECT_LT(cross.pixelColor(24, 24).alpha(), 40) << "the cross is cut out of the disc";
    EXPECT_GT(cross.pixelColor(24, 6).alpha(), 240) << "the disc is ink";

    const QImage play = IconRegistry::pixmap("play.fill", QSizeF(48, 48), QColor(0, 0, 255, 128)).toImage();
    const QColor middle = play.pixelColor(22, 24);
    EXPECT_NEAR(middle.alpha(), 128, 3);
    EXPECT_EQ(middle.blue(), 255);

    // Unknown and empty names, and empty boxes, give nothing.
    EXPECT_FALSE(IconRegistry::contains("play.fill.svg"));
    EXPECT_FALSE(IconRegistry::contains(""));
    EXPECT_FALSE(IconRegistry::contains("../icons/play.fill"));
    EXPECT_TRUE(IconRegistry::pixmap("no.such.symbol", QSizeF(16, 16), Qt::red).isNull());

    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    IconRegistry::paint(painter, "no.such.symbol", QRectF(0, 0, 20, 20), Qt::red);
    IconRegistry::paint(painter, "play.fill", QRectF(0, 0, 0, 20), Qt::red);
    painter.end();
    EXPECT_EQ(canvas.pixelColor(10, 10).alpha(), 0);
}

TEST(SymbolImage, SizedByItsFontAndRecolouredByTheAppearance)
{
    screenkit::prepare();
    AppTheme::apply(settings::AppearanceMode::light);
    auto symbol = screenkit::showWidget<SymbolImage>(
        QSize(), QStringLiteral("stop.fill"), AppTheme::systemFont(20), AppTheme::textSecondary);
    EXPECT_EQ(symbol->sizeHint(), QSize(24, 24));
    EXPECT_TRUE(symbol->testAttribute(Qt::WA_TransparentForMouseEvents));
    const QPoint middle(12, 12);
    const QColor light = screenkit::pixelAt(symbol->grab().toImage(), middle);
    AppTheme::apply(settings::AppearanceMode::dark);
    const QColor dark = screenkit::pixelAt(symbol->grab().toImage(), middle);
    // The translucent label colour over the window background of each appearance.
    auto expected = [](AppTheme::Appearance a) {
        return screenkit::composite(
            AppTheme::colorFor(ColorRole::textSecondary, a), AppTheme::colorFor(ColorRole::bg, a));
    };
    EXPECT_TRUE(screenkit::sameColor(light, expected(AppTheme::Appearance::light), 3)) << light.name().toStdString();
    EXPECT_TRUE(screenkit::sameColor(dark, expected(AppTheme::Appearance::dark), 3)) << dark.name().toStdString();

    symbol->setFrame(QSizeF(40, 30));
    EXPECT_EQ(symbol->sizeHint(), QSize(40, 30));
}

} // namespace ui
