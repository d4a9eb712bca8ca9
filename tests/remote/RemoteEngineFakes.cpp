#include "RemoteEngineFakes.h"

void FakePlaybackPort::setLoopInOut(bool value)
{
    called(QStringLiteral("setLoopInOut %1").arg(value));
    loop = value;
    assign(Property::loopInOut);
}

void FakePlaybackPort::seek(double seconds, bool stopTransport)
{
    called(QStringLiteral("seek %1 %2").arg(seconds).arg(stopTransport));
}

void FakePlaybackPort::selectClip(const std::optional<QUuid>& id)
{
    called(QStringLiteral("selectClip %1").arg(id ? id->toString(QUuid::WithoutBraces) : QStringLiteral("none")));
    selected = id;
    assign(Property::selectedClipID);
}

void FakePlaybackPort::setSecondaryClip(const std::optional<QUuid>& id)
{
    called(QStringLiteral("setSecondaryClip %1").arg(id ? id->toString(QUuid::WithoutBraces) : QStringLiteral("none")));
    secondary = id;
    assign(Property::secondaryClipID);
}

void FakeCapturePort::setRemotePreviewMode(RemotePreviewMode value)
{
    calls.append(
        value == RemotePreviewMode::capture ? QStringLiteral("mode capture") : QStringLiteral("mode playback"));
    mode = value;
}

void FakeCapturePort::setInputs(int count)
{
    inputs = count;
    emit activeInputCountAssigned(count);
}

remote::PlaybackRemotePort::Clip fakeClip(int n, bool offline)
{
    remote::PlaybackRemotePort::Clip clip;
    clip.id = QUuid(QStringLiteral("00000000-0000-4000-8000-%1").arg(n, 12, 10, QLatin1Char('0')));
    clip.url = QUrl::fromLocalFile(QStringLiteral("/nonexistent/clip%1.mov").arg(n));
    clip.name = QStringLiteral("Clip %1").arg(n);
    clip.duration = 10.0 + n;
    clip.offline = offline;
    return clip;
}
