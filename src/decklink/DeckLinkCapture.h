#pragma once

// A diagnostic companion of device enumeration: how many devices there are and their names.

#include <QStringList>

namespace decklink {

class DeckLinkCapture {
public:
    long deckLinkDeviceCount() const;
    // Devices whose name cannot be read are left out.
    QStringList deviceNames() const;
};

} // namespace decklink
