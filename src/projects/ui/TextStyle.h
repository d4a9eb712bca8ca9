#pragma once

// The named text styles of the project screens (title, headline, caption, ...), each one fixed font
// from the theme's table so every screen of the library writes at the same sizes.

#include <QFont>

namespace projects_ui {

class TextStyle final {
public:
    TextStyle() = delete;

    static QFont title2(); // 17 px bold: screen titles
    static QFont title3(); // 15 px bold: sheet titles
    static QFont headline(); // 13 px semibold: card titles and field labels
    static QFont body(); // 13 px
    static QFont callout(); // 12 px
    static QFont caption(); // 10 px
    static QFont caption2(); // 10 px, a little tighter than caption
};

} // namespace projects_ui
