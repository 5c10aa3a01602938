// Sound in memory in the layout the effects chain takes, and sound files read
// and written through libsndfile: whatever it reads comes in, WAV or FLAC goes
// out, in the file's own sample format wherever the container has it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "fx/FxFormat.h"

namespace korvfx {

const uint16_t kFormatFloat = 3;  // as in WAVEFORMATEX: 32-bit IEEE float

struct Audio {
    // 16-bit PCM (8- and 16-bit files, companded and ADPCM ones), 32-bit PCM
    // (24- and 32-bit files, left-justified) or 32-bit float (float files and
    // the lossy codecs), interleaved.
    fx::FxFormat format{};
    int fileFormat = 0;  // libsndfile's container | encoding of the file it came from
    std::vector<unsigned char> data;

    static Audio Make(uint16_t formatTag, uint16_t bits, uint16_t channels, uint32_t rate, size_t frames);
    size_t Frames() const { return format.blockAlign ? data.size() / format.blockAlign : 0; }
    float Sample(size_t frame, unsigned channel) const;  // -1..1
};

// The whole file. False with one line saying what is wrong: not a sound file,
// cut short, or unreadable part-way.
bool ReadAudio(const std::string& path, Audio* out, std::string* error);

// The libsndfile format to write to path (.wav or .flac), keeping the
// encoding of fileFormat where the container takes it. False for another
// extension.
bool OutputFormat(const std::string& path, int fileFormat, int channels, int* sfFormat, std::string* error);

// Written to a file beside path and then renamed over it, so a failure
// leaves no partial output.
bool WriteAudio(const std::string& path, const Audio& audio, std::string* error);

// "FLAC, Signed 24 bit PCM, 2 channels, 96000 Hz"
std::string DescribeAudio(const Audio& audio);

}  // namespace korvfx
