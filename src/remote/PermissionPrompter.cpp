#include "remote/PermissionPrompter.h"

namespace remote {

QString PermissionPrompter::alertMessage(const PermissionRequest& request)
{
    return QStringLiteral("Device: ") + request.deviceName + QLatin1Char('\n') + QStringLiteral("ClientKey: ")
        + request.clientKey + QLatin1Char('\n') + QStringLiteral("Requested: ") + request.requested + QLatin1Char('\n')
        + QStringLiteral("Address: ") + request.address;
}

QString PermissionPrompter::sanitised(const QString& text)
{
    constexpr qsizetype maxCharacters = 64;
    QString result;
    qsizetype characters = 0;
    for (qsizetype i = 0; i < text.size() && characters < maxCharacters; ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate()) {
            // A pair is one character; a lone half is dropped like any other broken text.
            if (i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                result.append(c);
                result.append(text.at(i + 1));
                ++characters;
                ++i;
            }
            continue;
        }
        if (c.isLowSurrogate())
            continue;
        const auto category = c.category();
        // Controls, and the invisible format characters that reorder or hide text
        // (bidirectional overrides, line and paragraph separators).
        if (category == QChar::Other_Control || category == QChar::Other_Format || category == QChar::Separator_Line
            || category == QChar::Separator_Paragraph)
            continue;
        result.append(c);
        ++characters;
    }
    return result;
}

} // namespace remote
