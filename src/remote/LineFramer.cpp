#include "remote/LineFramer.h"

namespace remote {

void LineFramer::takeLines(QByteArray& buffer, int maxLines, std::vector<QByteArray>& lines)
{
    qsizetype start = 0;
    int taken = 0;
    while (taken < maxLines) {
        const qsizetype end = buffer.indexOf('\n', start);
        if (end < 0)
            break;
        if (end > start) {
            lines.push_back(buffer.mid(start, end - start));
            ++taken;
        }
        start = end + 1;
    }
    // Empty lines after the last one taken go too, so a run of line feeds never lingers.
    while (start < buffer.size() && buffer.at(start) == '\n')
        ++start;
    if (start > 0)
        buffer.remove(0, start);
}

qsizetype LineFramer::unterminatedLength(const QByteArray& buffer)
{
    return buffer.size() - (buffer.lastIndexOf('\n') + 1);
}

} // namespace remote
