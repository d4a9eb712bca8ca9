#include "ui/PaneChrome.h"

#include <QBoxLayout>

namespace ui {

PaneChrome::PaneChrome(QWidget* content, QWidget* parent)
    : AppPane(content, parent)
{
    setObjectName(QStringLiteral("paneChrome"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    // A growing content takes the whole card. One that cannot grow keeps its size: the layout
    // puts it at the left edge, and a stretch under it keeps it at the top.
    auto* box = qobject_cast<QBoxLayout*>(layout());
    const bool growsDown = content && (content->sizePolicy().verticalPolicy() & QSizePolicy::GrowFlag)
        && content->maximumHeight() >= QWIDGETSIZE_MAX;
    if (box && content && !growsDown)
        box->addStretch(1);
}

} // namespace ui
