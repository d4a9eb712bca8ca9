#include "ui/IconRegistry.h"

#include "platform/DebugLog.h"
#include "platform/SystemLog.h"

#include <QDir>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QSet>
#include <QSvgRenderer>

#include <cmath>
#include <memory>

// Outside any namespace: the resource initialiser is a global function.
static void initIconResources()
{
    Q_INIT_RESOURCE(icons);
}

namespace ui {

namespace {

const QString resourceFolder = QStringLiteral(":/corvale/icons/");

void ensureResources()
{
    // The resource is compiled into a static library; make sure its initialiser ran.
    static const bool loaded = [] {
        initIconResources();
        return true;
    }();
    (void)loaded;
}

QHash<QString, std::shared_ptr<QSvgRenderer>>& renderers()
{
    static QHash<QString, std::shared_ptr<QSvgRenderer>> cache;
    return cache;
}

QHash<QString, QPixmap>& pixmaps()
{
    static QHash<QString, QPixmap> cache;
    return cache;
}

QSvgRenderer* rendererFor(const QString& name)
{
    auto it = renderers().find(name);
    if (it != renderers().end())
        return it->get();
    const bool known = IconRegistry::contains(name);
    auto renderer = known ? std::make_shared<QSvgRenderer>(resourceFolder + name + QStringLiteral(".svg")) : nullptr;
    if (!renderer || !renderer->isValid()) {
        static QSet<QString> reported;
        if (!reported.contains(name)) {
            reported.insert(name);
            // A registered symbol that does not load is a damaged build, worth a line in any build.
            if (known)
                platform::systemLog("[Icons] the symbol %s does not load", qPrintable(name));
            else
                dlog("⚠️ [Icons] no symbol named", name);
        }
        return nullptr;
    }
    return renderers().insert(name, renderer)->get();
}

} // namespace

QStringList IconRegistry::names()
{
    ensureResources();
    QStringList result;
    const auto files = QDir(resourceFolder).entryList({ QStringLiteral("*.svg") }, QDir::Files, QDir::Name);
    for (const QString& file : files)
        result << file.chopped(4);
    return result;
}

bool IconRegistry::contains(const QString& name)
{
    // Only names from the registry's own list: a name is never treated as a path.
    static const QSet<QString> known = [] {
        const QStringList all = names();
        return QSet<QString>(all.begin(), all.end());
    }();
    return known.contains(name);
}

QPixmap IconRegistry::pixmap(const QString& name, QSizeF size, const QColor& color, double dpr)
{
    const int width = std::max(1, static_cast<int>(std::lround(size.width() * dpr)));
    const int height = std::max(1, static_cast<int>(std::lround(size.height() * dpr)));
    const QString key = QStringLiteral("%1|%2x%3|%4").arg(name).arg(width).arg(height).arg(color.rgba(), 8, 16);
    if (auto it = pixmaps().constFind(key); it != pixmaps().constEnd())
        return *it;

    QSvgRenderer* renderer = rendererFor(name);
    if (!renderer)
        return QPixmap();

    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer->render(&painter, QRectF(0, 0, width, height));
    }
    // Darkness is coverage: black ink becomes the colour, white cut-outs become holes.
    const QRgb tint = color.rgb();
    const int tintAlpha = color.alpha();
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb px = row[x];
            const int coverage = qAlpha(px) * (255 - qGray(px)) / 255;
            row[x] = qRgba(qRed(tint), qGreen(tint), qBlue(tint), coverage * tintAlpha / 255);
        }
    }
    image.setDevicePixelRatio(dpr);
    QPixmap result = QPixmap::fromImage(std::move(image));
    if (pixmaps().size() > 2048)
        pixmaps().clear();
    pixmaps().insert(key, result);
    return result;
}

void IconRegistry::paint(QPainter& painter, const QString& name, const QRectF& rect, const QColor& color)
{
    const double side = std::min(rect.width(), rect.height());
    if (side <= 0)
        return;
    const double dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap image = pixmap(name, QSizeF(side, side), color, dpr);
    if (image.isNull())
        return;
    const QRectF target(rect.center().x() - side / 2, rect.center().y() - side / 2, side, side);
    painter.drawPixmap(target, image, QRectF(image.rect()));
}

QSizeF IconRegistry::symbolSize(const QFont& font)
{
    const double pixels = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96.0 / 72.0;
    const double side = std::round(pixels * 1.2);
    return QSizeF(side, side);
}

} // namespace ui
