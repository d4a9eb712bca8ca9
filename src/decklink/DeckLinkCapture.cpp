#include "decklink/DeckLinkCapture.h"

#include "decklink/DeckLinkAPILoader.h"
#include "decklink/api/ComPtr.h"
#include "platform/SystemLog.h"

namespace decklink {

long DeckLinkCapture::deckLinkDeviceCount() const
{
    auto iterator = ComPtr<IDeckLinkIterator>::adopt(CreateDeckLinkIteratorInstance());
    if (!iterator) {
        platform::systemLog("DeckLink: CreateDeckLinkIteratorInstance failed");
        return 0;
    }
    long count = 0;
    ComPtr<IDeckLink> device;
    while (iterator->Next(device.put()) == S_OK && device)
        ++count;
    platform::systemLog("DeckLink: found %ld device(s)", count);
    return count;
}

QStringList DeckLinkCapture::deviceNames() const
{
    const auto names = decklink::deviceNames(QString());
    if (!names) {
        platform::systemLog("DeckLink: iterator is nil");
        return {};
    }
    platform::systemLog(
        "DeckLink devices: %s", qPrintable(QStringLiteral("(%1)").arg(names->join(QStringLiteral(", ")))));
    return *names;
}

} // namespace decklink
