#pragma once

// The user's well-known folders, each falling back to the home folder.

#include <QString>

namespace platform {

// Where applications keep their data (~/.local/share); the station keeps "Corvale" inside it.
QString applicationSupportDirectory();
QString documentsDirectory();
QString desktopDirectory();

} // namespace platform
