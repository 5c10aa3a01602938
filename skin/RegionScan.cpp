#include "skin/RegionScan.h"

namespace skin {

ChannelRanges::ChannelRanges(uint32_t colour, uint32_t tolerance) {
    for (int k = 0; k < 3; ++k) {
        const unsigned low = (colour >> (8 * k)) & 0xFFu;
        const unsigned high = low + ((tolerance >> (8 * k)) & 0xFFu);  // at most 510
        m_low[k] = static_cast<uint8_t>(low);
        m_high[k] = static_cast<uint8_t>(high > 255u ? 255u : high);
    }
}

}  // namespace skin
