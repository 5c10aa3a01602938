#include "framework/DlgInitParser.h"

static uint16_t ReadU16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

static uint32_t ReadU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

std::vector<DlgInitEntry> ParseDlgInit(const uint8_t* data, std::size_t size) {
    std::vector<DlgInitEntry> entries;
    if (!data) return entries;
    std::size_t pos = 0;
    while (pos + 2 <= size) {
        uint16_t id = ReadU16(data + pos);
        if (id == 0) break;
        if (size - pos < 8) break;
        uint16_t message = ReadU16(data + pos + 2);
        uint32_t length = ReadU32(data + pos + 4);
        pos += 8;
        if (length > size - pos) break;  // truncated resource: stop, never read past it
        entries.push_back({id, message, data + pos, length});
        pos += length;
    }
    return entries;
}
