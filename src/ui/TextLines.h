#pragma once

// Text broken into lines for painting: at word boundaries where it can (anywhere in a word too
// long for a line), at most a given number of lines, the last one elided when more would follow.
//
// Pure; main thread (fonts).

#include <QFont>
#include <QString>
#include <QStringList>

namespace ui {

// An empty text gives one empty line.
QStringList wrapLines(const QString& text, const QFont& font, double width, int maxLines);

} // namespace ui
