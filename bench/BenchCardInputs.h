#pragma once

// Starts inputs 0-3 of a capture engine on the simulated card's four devices (1080p60 unless asked
// otherwise).
// Shared by the benchmarks that need the station's heaviest live load.

#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"

#include <cstdio>

namespace bench {

// Inputs 0-3 on the card's four devices, each sending `mode` and set to `format`.
inline bool startFourCardInputs(capture::RecordViewModel& engine, std::uint32_t mode, settings::CaptureFormat format)
{
    for (int i = 0; i < 4; ++i) {
        corvale_sim_set_source_mode(i, mode);
        if (i > 0)
            engine.addSource();
        engine.setCaptureSource(i, capture::CaptureSourceKind::deckLink);
        engine.setSelectedDeckLinkIndex(i, i);
        engine.setSelectedFormat(i, format);
        engine.startCapture(i);
        if (!engine.isCapturingFlags()[i]) {
            std::fprintf(stderr, "card input %d did not start\n", i);
            return false;
        }
    }
    return true;
}

inline bool startFourCardInputs1080p60(capture::RecordViewModel& engine)
{
    return startFourCardInputs(engine, 'Hp60', settings::CaptureFormat::hd1080p60);
}

} // namespace bench
