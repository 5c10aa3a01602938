#include "settings/SettingsRules.h"

namespace Settings {

uint32_t Accept(const ValueSpec& spec, bool readOk, uint32_t stored) {
    if (!readOk || stored > kHighestAccepted) return spec.defaultValue;
    return stored;
}

}  // namespace Settings
