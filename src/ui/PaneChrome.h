#pragma once

// One of the main window's rounded pane cards around any content: the card takes all the space
// its parent offers and the content sits in its top-left corner, at the content's own size when
// the content does not grow (a growing content fills the card). The card is the shared pane
// look (AppPane): surface fill, hairline outline, faint shadow.
//
// Main thread only.

#include "ui/AppPane.h"

namespace ui {

class PaneChrome final : public AppPane {
    Q_OBJECT
public:
    explicit PaneChrome(QWidget* content, QWidget* parent = nullptr);
};

} // namespace ui
