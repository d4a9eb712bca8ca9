#pragma once

// Starts inputs 0-3 of a capture engine on the simulated card's four devices, each fed 1080p60.
// Shared by the benchmarks that need the station's heaviest live load.

#include "capture/RecordViewModel.h"
#include "decklink/sim/DeckLinkSimControl.h"

#include <cstdio>

namespace bench {

inline bool startFourCardInputs1080p60(capture::RecordViewModel& engine)
{
    for (int i = 0; i < 4; ++i) {
        corvale_sim_set_source_mode(i, 'Hp60');
        if (i > 0)
            engine.addSource();
        engine.setCaptureSource(i, capture::CaptureSourceKind::deckLink);
        engine.setSelectedDeckLinkIndex(i, i);
        engine.setSelectedFormat(i, settings::CaptureFormat::hd1080p60);
        engine.startCapture(i);
        if (!engine.isCapturingFlags()[i]) {
            std::fprintf(stderr, "card input %d did not start\n", i);
            return false;
        }
    }
    return true;
}

} // namespace bench
