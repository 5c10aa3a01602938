#include "korvfx/AudioFile.h"

#include <sndfile.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <algorithm>
#include <initializer_list>

#include "korvfx/Owned.h"

namespace korvfx {
namespace {

void CloseSound(SNDFILE* f) {
    sf_close(f);
}
using SoundFile = Owned<SNDFILE, CloseSound>;

// The layout the chain gets for an encoding: 16-bit for what holds no more,
// 32-bit PCM for 20 to 32 bits, float for float and the lossy codecs; with
// the file's own bits valid, so that the chain's output fits its steps.
fx::FxFormat ChainLayout(int subtype, int channels, int rate) {
    auto is = [subtype](std::initializer_list<int> list) {
        return std::find(list.begin(), list.end(), subtype) != list.end();
    };
    const bool real = is({SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE, SF_FORMAT_VORBIS, SF_FORMAT_OPUS, SF_FORMAT_MPEG_LAYER_I,
                          SF_FORMAT_MPEG_LAYER_II, SF_FORMAT_MPEG_LAYER_III});
    const uint16_t valid = is({SF_FORMAT_PCM_S8, SF_FORMAT_PCM_U8})                       ? 8
                           : is({SF_FORMAT_ALAC_20})                                      ? 20
                           : is({SF_FORMAT_PCM_24, SF_FORMAT_DWVW_24, SF_FORMAT_ALAC_24}) ? 24
                                                                                          : 0;
    const uint16_t bits = real || valid > 8 || is({SF_FORMAT_PCM_32, SF_FORMAT_ALAC_32}) ? 32 : 16;
    Audio a = Audio::Make(real ? fx::kFormatFloat : fx::kFormatPcm, bits, static_cast<uint16_t>(channels),
                          static_cast<uint32_t>(rate), 0);
    a.format.validBits = valid;
    return a.format;
}

// A WAV whose data chunk promises more than the file holds: libsndfile reads
// what is there and notes it in its log ("data : 8000 (should be 3912)").
bool CutShortWav(SNDFILE* f, std::string* what) {
    char log[8192] = "";
    sf_command(f, SFC_GET_LOG_INFO, log, sizeof log);
    for (const char* line = log; line; line = strchr(line, '\n') ? strchr(line, '\n') + 1 : nullptr) {
        long long promised = 0, held = 0;
        // A streamed file's writer could not know the length: 0xFFFFFFFF.
        if (sscanf(line, " data : %lld (should be %lld)", &promised, &held) == 2 && held < promised &&
            promised != 0xFFFFFFFFll) {
            *what = "cut short: its header promises " + std::to_string(promised) + " bytes of sound, it holds " +
                    std::to_string(held);
            return true;
        }
    }
    return false;
}

}  // namespace

bool HasExtension(const std::string& path, const char* extension) {
    size_t n = strlen(extension);
    return path.size() >= n && strcasecmp(path.c_str() + path.size() - n, extension) == 0;
}

Audio Audio::Make(uint16_t formatTag, uint16_t bits, uint16_t channels, uint32_t rate, size_t frames) {
    Audio a;
    a.format = fx::FxFormat{formatTag, channels, rate, bits, static_cast<uint16_t>(channels * bits / 8)};
    a.data.resize(frames * a.format.blockAlign);
    return a;
}

float Audio::Sample(size_t frame, unsigned channel) const {
    const unsigned char* p = &data[frame * format.blockAlign + channel * (format.bitsPerSample / 8)];
    float f;
    int16_t s;
    int32_t i;
    if (format.formatTag == fx::kFormatFloat) return memcpy(&f, p, 4), f;
    if (format.bitsPerSample == 16) return memcpy(&s, p, 2), s / 32768.0f;
    return memcpy(&i, p, 4), static_cast<float>(i / 2147483648.0);
}

bool ReadAudio(const std::string& path, Audio* out, std::string* error) {
    SF_INFO info{};
    SoundFile f(sf_open(path.c_str(), SFM_READ, &info));
    std::string cut;
    if (!f || info.channels < 1 || info.samplerate < 1) {
        *error = path + ": not a sound file this tool reads (" + sf_strerror(f.Get()) + ")";
        return false;
    }
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && CutShortWav(f.Get(), &cut)) {
        *error = path + ": " + cut;
        return false;
    }
    Audio a;
    a.format = ChainLayout(info.format & SF_FORMAT_SUBMASK, info.channels, info.samplerate);
    a.fileFormat = info.format;
    const size_t block = a.format.blockAlign, chunk = 65536;
    sf_count_t frames = 0, n = 0;
    do {
        frames += n;
        a.data.resize((frames + chunk) * block);
        void* at = &a.data[frames * block];
        n = a.format.formatTag == fx::kFormatFloat ? sf_readf_float(f.Get(), static_cast<float*>(at), chunk)
            : a.format.bitsPerSample == 16         ? sf_readf_short(f.Get(), static_cast<short*>(at), chunk)
                                                   : sf_readf_int(f.Get(), static_cast<int*>(at), chunk);
    } while (n > 0);
    a.data.resize(frames * block);
    if (sf_error(f.Get()) != SF_ERR_NO_ERROR) {
        *error = path + ": unreadable after " + std::to_string(frames) + " frames (" + sf_strerror(f.Get()) + ")";
        return false;
    }
    // An MP3's length is an estimate; every other container knows its own.
    if (frames < info.frames && (info.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_MPEG) {
        *error = path + ": cut short: " + std::to_string(frames) + " of " + std::to_string(info.frames) +
                 " frames could be read";
        return false;
    }
    *out = std::move(a);
    return true;
}

bool OutputFormat(const std::string& path, int fileFormat, int channels, int* sfFormat, std::string* error) {
    const int subtype = fileFormat & SF_FORMAT_SUBMASK;
    const fx::FxFormat layout = ChainLayout(subtype, channels, 44100);
    const bool wav = HasExtension(path, ".wav"), flac = HasExtension(path, ".flac");
    if (!wav && !flac) {
        *error = path + ": korvfx writes .wav or .flac";
        return false;
    }
    // Plain samples keep their encoding; a codec's (MP3, Vorbis, ADPCM ...)
    // does not: what comes out is for listening and comparing.
    bool plain = subtype == SF_FORMAT_PCM_16 || subtype == SF_FORMAT_PCM_24;
    int fallback = layout.bitsPerSample == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
    if (wav) {
        plain = plain || subtype == SF_FORMAT_PCM_U8 || subtype == SF_FORMAT_PCM_32 || subtype == SF_FORMAT_FLOAT ||
                subtype == SF_FORMAT_DOUBLE;
        fallback = subtype == SF_FORMAT_PCM_S8            ? SF_FORMAT_PCM_U8
                   : layout.formatTag == fx::kFormatFloat ? SF_FORMAT_FLOAT
                   : layout.bitsPerSample == 16           ? SF_FORMAT_PCM_16
                                                          : SF_FORMAT_PCM_32;
    } else {
        plain = plain || subtype == SF_FORMAT_PCM_S8;
        fallback = subtype == SF_FORMAT_PCM_U8 ? SF_FORMAT_PCM_S8 : fallback;
    }
    *sfFormat = (flac ? SF_FORMAT_FLAC : channels > 2 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) | (plain ? subtype : fallback);
    return true;
}

bool WriteAudio(const std::string& path, const Audio& audio, std::string* error) {
    SF_INFO info{};
    info.channels = audio.format.channels;
    info.samplerate = static_cast<int>(audio.format.sampleRate);
    if (!OutputFormat(path, audio.fileFormat, info.channels, &info.format, error)) return false;
    const std::string part = path + ".partial";
    SoundFile f(sf_open(part.c_str(), SFM_WRITE, &info));
    if (!f) {
        *error = "cannot create " + part + " (" + sf_strerror(nullptr) + ")";
        return false;
    }
    sf_command(f.Get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);  // float beyond full scale: clip, never wrap
    const sf_count_t frames = static_cast<sf_count_t>(audio.Frames());
    const void* at = audio.data.data();
    sf_count_t n = audio.format.formatTag == fx::kFormatFloat
                       ? sf_writef_float(f.Get(), static_cast<const float*>(at), frames)
                   : audio.format.bitsPerSample == 16 ? sf_writef_short(f.Get(), static_cast<const short*>(at), frames)
                                                      : sf_writef_int(f.Get(), static_cast<const int*>(at), frames);
    if (n == frames && sf_close(f.Detach()) == 0 && rename(part.c_str(), path.c_str()) == 0) return true;
    f.Reset();
    remove(part.c_str());
    *error = "cannot write " + path;
    return false;
}

std::string DescribeAudio(const Audio& audio) {
    std::string text;
    for (int mask : {SF_FORMAT_TYPEMASK, SF_FORMAT_SUBMASK}) {
        SF_FORMAT_INFO fi{};
        fi.format = audio.fileFormat & mask;
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &fi, sizeof fi) == 0 && fi.name)
            text += std::string(fi.name) + ", ";
    }
    return text + std::to_string(audio.format.channels) + " channels, " + std::to_string(audio.format.sampleRate) +
           " Hz";
}

}  // namespace korvfx
