#include "ui/AppPane.h"

#include "ui/AppTheme.h"
#include "ui/BorderOverlay.h"
#include "ui/ShapeShadow.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

namespace ui {

namespace {

QPainterPath paneShape(QSizeF size)
{
    QPainterPath path;
    path.addRoundedRect(QRectF(QPointF(0, 0), size), AppPane::cornerRadius, AppPane::cornerRadius);
    return path;
}

// Lies under the pane in the pane's parent and paints the pane's shadow, which reaches past the
// pane's own bounds.
class PaneShadow final : public QWidget {
public:
    explicit PaneShadow(QWidget* parent)
        : QWidget(parent)
    {
        setObjectName(QStringLiteral("paneShadow"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setFocusPolicy(Qt::NoFocus);
    }

    void follow(const QRect& paneGeometry)
    {
        const int reach = static_cast<int>(std::ceil(ShapeShadow::reach(AppPane::shadowRadius)));
        paneSize_ = paneGeometry.size();
        margin_ = reach;
        setGeometry(paneGeometry.adjusted(-reach, -reach, reach, reach + static_cast<int>(AppPane::shadowOffsetY)));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.translate(margin_, margin_);
        QColor color(Qt::black);
        color.setAlphaF(AppPane::shadowOpacity);
        shadow_.paint(painter, paneShape(paneSize_), color, AppPane::shadowRadius, QPointF(0, AppPane::shadowOffsetY));
    }

private:
    ShapeShadow shadow_;
    QSize paneSize_;
    int margin_ = 0;
};

} // namespace

AppPane::AppPane(QWidget* content, QWidget* parent)
    : QWidget(parent)
    , content_(content)
{
    setObjectName(QStringLiteral("appPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    if (content)
        layout->addWidget(content);
    border_ = new BorderOverlay(cornerRadius, AppTheme::border, borderWidth, this);
    syncShadow();
}

AppPane::~AppPane()
{
    delete shadow_.data();
}

bool AppPane::event(QEvent* event)
{
    const bool result = QWidget::event(event);
    switch (event->type()) {
    case QEvent::ParentChange:
        delete shadow_.data();
        syncShadow();
        break;
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::ZOrderChange:
        syncShadow();
        break;
    default:
        break;
    }
    return result;
}

void AppPane::syncShadow()
{
    if (!parentWidget() || isWindow())
        return;
    if (!shadow_)
        shadow_ = new PaneShadow(parentWidget());
    auto* shadow = static_cast<PaneShadow*>(shadow_.data());
    shadow->follow(geometry());
    shadow->setVisible(isVisibleTo(parentWidget()));
    shadow->stackUnder(this);
}

void AppPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(paneShape(size()), AppTheme::surface.color());
}

AppPane* appPane(QWidget* content)
{
    return new AppPane(content);
}

} // namespace ui
