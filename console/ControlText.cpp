#include "console/ControlText.h"

#include "console/KnobStep.h"

namespace ControlText {
namespace {

const char kHeadphones[] = "Kopfh\xF6rer";
const char kClose[] =
    "Schlie\xDF"
    "en";

void Knob(const char* label, int32_t value, Texts& texts) {
    const int32_t shown = value < KnobStep::kLowest    ? KnobStep::kLowest
                          : value > KnobStep::kHighest ? KnobStep::kHighest
                                                       : value;
    const std::string level = std::to_string(shown) + " von " + std::to_string(KnobStep::kHighest);
    texts.name = std::string(label) + " " + level;
    texts.tip = std::string(label) + ": " + level;
}

void Same(const char* text, Texts& texts) {
    texts.name = text;
    texts.tip = text;
}

}  // namespace

bool ForControl(int id, int32_t value, Texts& texts) {
    switch (id) {
        case 1000: Knob("3D", value, texts); return true;
        case 1001: Knob("Vibe", value, texts); return true;
        case 1002: Knob("Soundfields", value, texts); return true;
        case 1005:
            texts.name = std::string(kHeadphones) + (value ? " an" : " aus");
            texts.tip = std::string(kHeadphones) + (value ? ": an" : ": aus");
            return true;
        // The form buttons are named as in the system menu.
        case 1006: Same("Minimieren", texts); return true;
        case 1010: Same("Wiederherstellen", texts); return true;
        case 1008:
        case 1011: Same(kClose, texts); return true;
        default: return false;
    }
}

bool HasValue(int id) {
    return id == 1000 || id == 1001 || id == 1002 || id == 1005;
}

}  // namespace ControlText
