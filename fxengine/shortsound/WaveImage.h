// A WAVE file's image in memory (a file read whole, a resource, a program's
// memory sound): its format and its sound, found the way the system finds
// them: the first "fmt " chunk of the RIFF form, then the first "data"
// chunk after it. No Windows calls.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace fxengine {

struct WaveImage {
    const uint8_t* format;
    uint32_t formatBytes;  // the chunk's, at least 16
    const uint8_t* data;
    uint32_t dataBytes;  // whole frames only, never 0
};

// False when the bytes are no RIFF WAVE form with a format and some sound.
bool WaveImage_Parse(const uint8_t* bytes, size_t size, WaveImage* out);
// The bytes a RIFF form says it takes (header included); 0 when not one.
size_t WaveImage_FormBytes(const uint8_t* header12);

}  // namespace fxengine
