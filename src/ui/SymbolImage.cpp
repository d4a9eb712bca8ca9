#include "ui/SymbolImage.h"

#include "ui/IconRegistry.h"

#include <QPainter>

#include <cmath>

namespace ui {

SymbolImage::SymbolImage(QString name, const QFont& font, ThemeColor color, QWidget* parent)
    : QWidget(parent)
    , name_(std::move(name))
    , font_(font)
    , color_(color)
    , frame_(IconRegistry::symbolSize(font))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void SymbolImage::setName(const QString& name)
{
    if (name == name_)
        return;
    name_ = name;
    update();
}

void SymbolImage::setColor(ThemeColor color)
{
    color_ = color;
    update();
}

void SymbolImage::setFrame(QSizeF frame)
{
    frame_ = frame;
    updateGeometry();
    update();
}

QSize SymbolImage::sizeHint() const
{
    return QSize(static_cast<int>(std::ceil(frame_.width())), static_cast<int>(std::ceil(frame_.height())));
}

void SymbolImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QSizeF glyph = IconRegistry::symbolSize(font_).boundedTo(QSizeF(size()));
    const QRectF area(QPointF(width() / 2.0 - glyph.width() / 2.0, height() / 2.0 - glyph.height() / 2.0), glyph);
    IconRegistry::paint(painter, name_, area, color_.color());
}

} // namespace ui
