#include "kit/ScreenKit.h"

#include "ui/AppTheme.h"

#include <QDir>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleFactory>
#include <QTest>

#include <cmath>

namespace ui {

namespace screenkit {

namespace {

const char* const dejaVuFolder = "/usr/share/fonts/truetype/dejavu/";

QPoint resolve(QWidget* widget, QPoint pos)
{
    return pos == QPoint(-1, -1) ? widget->rect().center() : pos;
}

double luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

void prepare()
{
    static bool fontsLoaded = false;
    if (!fontsLoaded) {
        fontsLoaded = true;
        for (const char* file :
            { "DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf", "DejaVuSansMono-Bold.ttf" }) {
            const QString path = QString::fromLatin1(dejaVuFolder) + QString::fromLatin1(file);
            if (QFontDatabase::addApplicationFont(path) < 0)
                ADD_FAILURE() << "cannot load the font " << path.toStdString() << " (fonts-dejavu-core)";
        }
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    font.setHintingPreference(QFont::PreferNoHinting);
    QApplication::setFont(font);
    AppTheme::setAnimationsEnabled(false);
    AppTheme::apply(settings::AppearanceMode::light);
}

void inBothAppearances(const std::function<void(const QString& appearance)>& body)
{
    for (const auto& [mode, name] :
        { std::pair(settings::AppearanceMode::light, "light"), std::pair(settings::AppearanceMode::dark, "dark") }) {
        SCOPED_TRACE(name);
        prepare();
        AppTheme::apply(mode);
        body(QString::fromLatin1(name));
    }
}

QString artifactsFolder()
{
    return qEnvironmentVariable("CORVALE_TEST_ARTIFACTS");
}

void press(QWidget* widget, QPoint pos)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, resolve(widget, pos));
}

void release(QWidget* widget, QPoint pos)
{
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, resolve(widget, pos));
}

void click(QWidget* widget, QPoint pos)
{
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, resolve(widget, pos));
}

void moveMouse(QWidget* widget, QPoint pos, Qt::MouseButtons held)
{
    const QPointF local(pos);
    QMouseEvent move(QEvent::MouseMove, local, widget->mapToGlobal(local), Qt::NoButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void hover(QWidget* widget)
{
    const QPointF local = widget->rect().center();
    QEnterEvent enter(local, widget->mapTo(widget->window(), local), widget->mapToGlobal(local));
    QApplication::sendEvent(widget, &enter);
}

void unhover(QWidget* widget)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(widget, &leave);
}

void key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    QWidget* target = widget ? widget : QApplication::focusWidget();
    if (!target) {
        ADD_FAILURE() << "no widget to send the key to";
        return;
    }
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &up);
}

QImage screenshot(QWidget* widget, const QString& name)
{
    QApplication::processEvents();
    const QImage image = widget->grab().toImage();
    const QString folder = artifactsFolder();
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (!image.save(path))
            ADD_FAILURE() << "cannot write the screenshot " << path.toStdString();
    }
    return image;
}

QColor pixelAt(const QImage& image, QPoint point)
{
    const double dpr = image.devicePixelRatio();
    return image.pixelColor(static_cast<int>(point.x() * dpr), static_cast<int>(point.y() * dpr));
}

bool sameColor(const QColor& a, const QColor& b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

QColor composite(const QColor& top, const QColor& under)
{
    const double a = top.alphaF();
    return QColor::fromRgbF(static_cast<float>(top.redF() * a + under.redF() * (1 - a)),
        static_cast<float>(top.greenF() * a + under.greenF() * (1 - a)),
        static_cast<float>(top.blueF() * a + under.blueF() * (1 - a)));
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace screenkit

} // namespace ui
