// The symbol registry: every name the screens use resolves, renders visible ink in the requested
// colour.

#include "ui/IconRegistry.h"
#include "kit/ScreenKit.h"
#include "ui/AppTheme.h"

#include <gtest/gtest.h>

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

} // namespace ui
