#include "korvfx/JournalParams.h"

#include <vector>

#include "engine/ControlCodes.h"
#include "sim/core/JournalRecord.h"

namespace korvfx {
namespace {

struct Message {
    uint32_t code;
    uint32_t value;
};

// The five zeros a closing console sends to each device, in its order.
bool IsClosing(const std::vector<Message>& m, size_t at) {
    const uint32_t order[5] = {IOCTL_3D_ENABLE, IOCTL_VIBE_ENABLE, IOCTL_HEADPHONES_ENABLE, IOCTL_AUX_ENABLE,
                               IOCTL_SOUNDFIELDS_ENABLE};
    if (at + 5 > m.size()) return false;
    for (size_t i = 0; i < 5; ++i)
        if (m[at + i].code != order[i] || m[at + i].value != 0) return false;
    return true;
}

}  // namespace

JournalParams ParamsFromJournal(std::istream& journal) {
    std::vector<Message> byChannel[3];  // HOOK, WDM, VXD
    std::string line;
    while (std::getline(journal, line)) {
        std::optional<sim::JournalRecord> r = sim::JournalRecord::Parse(line);
        if (!r || r->kind != sim::Kind::Ioctl || !r->value || r->length < 4) continue;
        if (r->code == IOCTL_GET_STATUS) continue;  // an answer, not a setting
        int slot = r->channel == sim::Channel::Hook ? 0 : r->channel == sim::Channel::Wdm ? 1 : 2;
        if (r->channel == sim::Channel::Inst) continue;
        byChannel[slot].push_back(Message{r->code, *r->value});
    }

    JournalParams result;
    fx::FxParams_Reset(&result.params);
    const char* names[3] = {"HOOK", "WDM", "VXD"};
    for (int slot = 0; slot < 3; ++slot) {
        const std::vector<Message>& m = byChannel[slot];
        if (m.empty()) continue;
        result.channel = names[slot];
        for (size_t i = 0; i < m.size(); ++i) {
            if (IsClosing(m, i)) {
                result.closingSkipped = true;
                i += 4;
                continue;
            }
            fx::FxParams_Apply(&result.params, m[i].code, &m[i].value, 4);
            ++result.messages;
        }
        break;
    }
    return result;
}

}  // namespace korvfx
