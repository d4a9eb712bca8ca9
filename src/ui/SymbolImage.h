#pragma once

// A symbol from the registry shown on its own (beside a label, in a row, on a badge), sized by the
// font it is "drawn in" and coloured with a theme colour that follows the appearance.

#include "ui/AppTheme.h"

#include <QFont>
#include <QString>
#include <QWidget>

namespace ui {

class SymbolImage final : public QWidget {
    Q_OBJECT
public:
    SymbolImage(QString name, const QFont& font, ThemeColor color, QWidget* parent = nullptr);

    QString name() const { return name_; }
    void setName(const QString& name);
    ThemeColor color() const { return color_; }
    void setColor(ThemeColor color);
    // A fixed frame instead of the font's symbol size; the symbol stays centred in it.
    void setFrame(QSizeF frame);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString name_;
    QFont font_;
    ThemeColor color_;
    QSizeF frame_;
};

} // namespace ui
