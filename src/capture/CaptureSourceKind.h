#pragma once

// What feeds one input slot of the capture engine: a card input or a camera.

#include "settings/StringEnum.h"

namespace capture {

enum class CaptureSourceKind { deckLink, avFoundation };

} // namespace capture

template <> struct settings::EnumTable<capture::CaptureSourceKind> {
    static constexpr std::array<EnumCase<capture::CaptureSourceKind>, 2> cases { {
        { capture::CaptureSourceKind::deckLink, "deckLink", "DeckLink" },
        { capture::CaptureSourceKind::avFoundation, "avFoundation", "Camera" },
    } };
    static_assert(enumTableIsDense(cases));
};
