#pragma once

// Helpers for testing screens offscreen: a fixed look (fonts, style, no animations), building a
// widget around injected models, finding controls by objectName, clicks, keys and hovering, and
// screenshots written to $CORVALE_TEST_ARTIFACTS when that variable is set.

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QImage>
#include <QPoint>
#include <QSize>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <utility>

namespace ui {

namespace screenkit {

// Loads the bundled DejaVu faces and makes DejaVu Sans the application font, picks the Fusion style,
// switches the theme's animations off and applies the light appearance. Safe to call repeatedly.
void prepare();

// Runs `body` once in the light and once in the dark appearance (each after prepare()), passing
// the appearance's name ("light", "dark") for naming screenshots.
void inBothAppearances(const std::function<void(const QString& appearance)>& body);

// The folder named by CORVALE_TEST_ARTIFACTS, or empty when screenshots are not wanted.
QString artifactsFolder();

// Builds W from `args` (the models it observes), gives it `size`, shows it offscreen and lets it
// lay out; an empty size means the widget's size hint. The caller owns the widget.
template <class W, class... Args> std::unique_ptr<W> showWidget(QSize size, Args&&... args)
{
    prepare();
    auto widget = std::make_unique<W>(std::forward<Args>(args)...);
    widget->resize(size.isValid() ? size : widget->sizeHint());
    widget->show();
    QApplication::processEvents();
    return widget;
}

// The descendant of `root` named `objectName` and of type W; records a test failure and returns
// null when there is none or more than one.
template <class W = QWidget> W* find(QWidget* root, const QString& objectName)
{
    const auto matches = root->findChildren<W*>(objectName);
    if (matches.size() != 1) {
        ADD_FAILURE() << "expected one " << W::staticMetaObject.className() << " named \"" << objectName.toStdString()
                      << "\", found " << matches.size();
        return nullptr;
    }
    return matches.front();
}

// Mouse: press and release at `pos` (the centre by default) as the user would.
void click(QWidget* widget, QPoint pos = QPoint(-1, -1));
void press(QWidget* widget, QPoint pos = QPoint(-1, -1));
void release(QWidget* widget, QPoint pos = QPoint(-1, -1));
// The pointer moves to `pos` (widget coordinates) with `held` buttons down, as in a drag.
void moveMouse(QWidget* widget, QPoint pos, Qt::MouseButtons held = Qt::NoButton);
// The pointer enters or leaves a widget.
void hover(QWidget* widget);
void unhover(QWidget* widget);
// A key press and release delivered to `widget` (or the focus widget when null).
void key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier, const QString& text = {});

// Renders `widget` offscreen and, when screenshots are wanted, saves it as "<name>.png" in the
// artifacts folder. Returns the image either way so tests can read its pixels.
QImage screenshot(QWidget* widget, const QString& name);

// The colour of one pixel (in the widget's points, whatever the image's pixel ratio).
QColor pixelAt(const QImage& image, QPoint point);
// True when every channel differs by at most `tolerance`.
bool sameColor(const QColor& a, const QColor& b, int tolerance = 3);
// `top` painted over the opaque `under`.
QColor composite(const QColor& top, const QColor& under);
// The WCAG contrast ratio of two opaque colours (1 to 21).
double contrastRatio(const QColor& a, const QColor& b);

} // namespace screenkit

} // namespace ui
