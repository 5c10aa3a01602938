// The engine state a simulated engine's journal leaves: the control messages
// of one channel replayed into an FxParams. The wave hook's channel is taken
// when the journal has one (it is the engine that processes sound), else the
// WDM driver's, else the VxD's. The switch-off a closing console sends to the
// devices is left out, so the result is the state the user had set.
#pragma once

#include <istream>
#include <string>

#include "fx/FxParams.h"

namespace korvfx {

struct JournalParams {
    fx::FxParams params{};
    std::string channel;    // "HOOK", "WDM", "VXD" or empty when none
    unsigned messages = 0;  // control messages replayed
    bool closingSkipped = false;
};

JournalParams ParamsFromJournal(std::istream& journal);

}  // namespace korvfx
