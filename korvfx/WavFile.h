// A RIFF/WAVE file held in memory: its format chunk (kept byte for byte, so a
// format we do not process is written back as it came) and its sample data.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "fx/FxFormat.h"

namespace korvfx {

struct WavFile {
    fx::FxFormat format{};
    std::vector<unsigned char> fmtChunk;  // the whole "fmt " chunk body
    std::vector<unsigned char> data;

    // 16-bit or 8-bit PCM from scratch.
    static WavFile Pcm(uint16_t channels, uint32_t rate, uint16_t bits);

    // From the bytes of a file; false with a reason when it is not a WAVE
    // file with a format and a data chunk.
    bool Parse(const std::vector<unsigned char>& bytes, std::string* error);
    std::vector<unsigned char> Serialize() const;

    bool Load(const std::string& path, std::string* error);
    bool Save(const std::string& path, std::string* error) const;

    uint32_t Frames() const { return format.blockAlign ? static_cast<uint32_t>(data.size() / format.blockAlign) : 0; }
    // One sample as -1..1 (PCM 8/16 only).
    float Sample(uint32_t frame, uint32_t channel) const;
};

}  // namespace korvfx
