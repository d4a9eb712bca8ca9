#include "decklink/VideoInfoProbe.h"

namespace decklink {

namespace {
template <class Tag> QString tagText(Tag tag)
{
    if (tag == Tag::Unknown)
        return QStringLiteral("nil");
    const auto name = media::platformName(tag);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}
} // namespace

IncomingVideoInfo VideoInfoProbe::update(const media::Frame& sample)
{
    if (sample.isNull())
        return IncomingVideoInfo {};

    const double pts = sample.hostTime();
    if (lastPTS_) {
        const double dt = pts - *lastPTS_;
        if (dt > 0) {
            const double instant = 1.0 / dt;
            fpsEMA_ = fpsEMA_ == 0 ? instant : 0.9 * fpsEMA_ + 0.1 * instant;
        }
    }
    lastPTS_ = pts;

    const media::ColorTags& tags = sample.colorTags();
    IncomingVideoInfo info;
    info.width = sample.width();
    info.height = sample.height();
    info.fpsEMA = fpsEMA_;
    info.primaries = tagText(tags.primaries);
    info.transfer = tagText(tags.transfer);
    info.matrix = tagText(tags.matrix);
    return info;
}

} // namespace decklink
