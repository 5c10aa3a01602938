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

struct Audio {
    // 16-bit PCM (8- and 16-bit files, companded and ADPCM ones), 32-bit PCM
    // (24- and 32-bit files, left-justified) or 32-bit float (float files and
    // the lossy codecs), interleaved. The valid bits are the file's, so that
    // what the chain makes fits the file's own steps.
    fx::FxFormat format{};
    int fileFormat = 0;  // libsndfile's container | encoding of the file it came from
    std::vector<unsigned char> data;

    static Audio Make(uint16_t formatTag, uint16_t bits, uint16_t channels, uint32_t rate, size_t frames);
    size_t Frames() const { return format.blockAlign ? data.size() / format.blockAlign : 0; }
    float Sample(size_t frame, unsigned channel) const;  // -1..1
};

// The whole file. False with what is wrong: not sound, cut short, unreadable.
bool ReadAudio(const std::string& path, Audio* out, std::string* error);

// The libsndfile format for path (.wav or .flac; else false), keeping the
// encoding of fileFormat where the container takes it.
bool OutputFormat(const std::string& path, int fileFormat, int channels, int* sfFormat, std::string* error);

// Written beside path and renamed over it: a failure leaves no partial file.
bool WriteAudio(const std::string& path, const Audio& audio, std::string* error);

// Whether path ends in extension (".wav"), in any case.
bool HasExtension(const std::string& path, const char* extension);

// "FLAC, Signed 24 bit PCM, 2 channels, 96000 Hz"
std::string DescribeAudio(const Audio& audio);

}  // namespace korvfx
