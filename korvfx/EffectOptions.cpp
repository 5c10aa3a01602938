#include "korvfx/EffectOptions.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>

#include "korvfx/JournalParams.h"
#include "korvfx/KnobMessages.h"

namespace korvfx {
namespace {

bool Integer(const std::string& text, int32_t* value) {
    if (text.empty()) return false;
    char* end = nullptr;
    long v = strtol(text.c_str(), &end, 10);
    if (*end || v < -1000 || v > 1000) return false;
    *value = static_cast<int32_t>(v);
    return true;
}

}  // namespace

std::string DescribeParams(const fx::FxParams& p) {
    char text[256];
    snprintf(text, sizeof text, "3D %.3f %s, headphones %s (level %d), Vibe %.3f %s, Soundfields %.3f %s, master %.4f",
             static_cast<double>(p.level3D), p.enable3D ? "on" : "off", p.enableHeadphones ? "on" : "off",
             static_cast<int>(p.headphonesLevel), static_cast<double>(p.vibe[0]), p.enableVibe ? "on" : "off",
             static_cast<double>(p.soundfields), p.enableSoundfields ? "on" : "off", static_cast<double>(p.masterGain));
    return text;
}

bool ParseEffectOptions(const std::vector<std::string>& args, EffectOptions* out, std::string* error) {
    KnobSettings knobs;
    bool anyKnob = false;
    std::string journal;
    out->matchLoudness = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--match-loudness") {
            out->matchLoudness = true;
            continue;
        }
        if (a == "--headphones") {
            knobs.headphones = true;
            anyKnob = true;
            continue;
        }
        int32_t* target = a == "--3d"            ? &knobs.position3D
                          : a == "--vibe"        ? &knobs.vibe
                          : a == "--soundfields" ? &knobs.soundfields
                          : a == "--master"      ? &knobs.masterDb
                                                 : nullptr;
        if (target || a == "--journal") {
            if (i + 1 >= args.size()) {
                *error = a + " needs a value";
                return false;
            }
            const std::string& v = args[++i];
            if (!target) {
                journal = v;
            } else if (!Integer(v, target)) {
                *error = a + ": not a whole number: " + v;
                return false;
            } else {
                anyKnob = true;
            }
            continue;
        }
        *error = "unknown option " + a;
        return false;
    }
    if (!journal.empty()) {
        if (anyKnob) {
            *error = "--journal takes the whole state from the journal; no knob options with it";
            return false;
        }
        std::ifstream in(journal, std::ios::binary);
        if (!in) {
            *error = "cannot open " + journal;
            return false;
        }
        JournalParams j = ParamsFromJournal(in);
        out->params = j.params;
        out->summary = j.channel.empty()
                           ? "journal " + journal + ": no control messages, effects off"
                           : "journal " + journal + ", " + j.channel + " channel, " + std::to_string(j.messages) +
                                 " messages" + (j.closingSkipped ? " (closing switch-off left out)" : "");
        out->summary += ": " + DescribeParams(out->params);
        return true;
    }
    if (!Validate(knobs, error)) return false;
    out->params = ParamsFromMessages(KnobMessages(knobs));
    out->summary = DescribeParams(out->params);
    return true;
}

}  // namespace korvfx
