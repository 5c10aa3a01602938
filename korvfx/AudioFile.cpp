#include "korvfx/AudioFile.h"

#include <sndfile.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include "korvfx/Owned.h"

namespace korvfx {
namespace {

void CloseSound(SNDFILE* f) {
    sf_close(f);
}
using SoundFile = Owned<SNDFILE, CloseSound>;

// The layout the chain gets for an encoding: 16-bit for what holds no more,
// 32-bit PCM for 24 and 32 bits, float for the rest.
void ChainLayout(int subtype, uint16_t* tag, uint16_t* bits) {
    switch (subtype) {
        case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: case SF_FORMAT_PCM_16: case SF_FORMAT_ULAW:
        case SF_FORMAT_ALAW: case SF_FORMAT_IMA_ADPCM: case SF_FORMAT_MS_ADPCM: case SF_FORMAT_GSM610:
        case SF_FORMAT_DPCM_8: case SF_FORMAT_DPCM_16: case SF_FORMAT_DWVW_12: case SF_FORMAT_DWVW_16:
        case SF_FORMAT_ALAC_16:
            *tag = fx::kFormatPcm;
            *bits = 16;
            return;
        case SF_FORMAT_PCM_24: case SF_FORMAT_PCM_32: case SF_FORMAT_DWVW_24: case SF_FORMAT_ALAC_20:
        case SF_FORMAT_ALAC_24: case SF_FORMAT_ALAC_32:
            *tag = fx::kFormatPcm;
            *bits = 32;
            return;
        default:
            *tag = kFormatFloat;
            *bits = 32;
    }
}

// A WAV whose data chunk promises more than the file holds: libsndfile reads
// what is there and notes the difference in its log ("data : 8000 (should be
// 3912)").
bool CutShortWav(SNDFILE* f, std::string* what) {
    char log[8192] = "";
    sf_command(f, SFC_GET_LOG_INFO, log, sizeof log);
    for (const char* line = log; line && *line; line = strchr(line, '\n') ? strchr(line, '\n') + 1 : nullptr) {
        long long promised = 0, held = 0;
        if (sscanf(line, " data : %lld (should be %lld)", &promised, &held) == 2 && held < promised) {
            *what = "cut short: its header promises " + std::to_string(promised) + " bytes of sound, it holds " +
                    std::to_string(held);
            return true;
        }
    }
    return false;
}

bool EndsWith(const std::string& s, const char* tail) {
    size_t n = strlen(tail);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, tail) == 0;
}

}  // namespace

Audio Audio::Make(uint16_t formatTag, uint16_t bits, uint16_t channels, uint32_t rate, size_t frames) {
    Audio a;
    a.format = fx::FxFormat{formatTag, channels, rate, bits, static_cast<uint16_t>(channels * bits / 8)};
    a.data.resize(frames * a.format.blockAlign);
    return a;
}

float Audio::Sample(size_t frame, unsigned channel) const {
    const unsigned char* p = &data[frame * format.blockAlign + channel * (format.bitsPerSample / 8)];
    if (format.formatTag == kFormatFloat) {
        float v;
        memcpy(&v, p, 4);
        return v;
    }
    if (format.bitsPerSample == 16) {
        int16_t v;
        memcpy(&v, p, 2);
        return v / 32768.0f;
    }
    int32_t v;
    memcpy(&v, p, 4);
    return static_cast<float>(v / 2147483648.0);
}

bool ReadAudio(const std::string& path, Audio* out, std::string* error) {
    SF_INFO info{};
    SoundFile f(sf_open(path.c_str(), SFM_READ, &info));
    if (!f) {
        *error = path + ": not a sound file this tool reads (" + sf_strerror(nullptr) + ")";
        return false;
    }
    uint16_t tag, bits;
    ChainLayout(info.format & SF_FORMAT_SUBMASK, &tag, &bits);
    if (info.channels < 1 || info.channels > 64 || info.samplerate < 1) {
        *error = path + ": " + std::to_string(info.channels) + " channels at " + std::to_string(info.samplerate) +
                 " Hz is not sound";
        return false;
    }
    Audio a = Audio::Make(tag, bits, static_cast<uint16_t>(info.channels), static_cast<uint32_t>(info.samplerate), 0);
    a.fileFormat = info.format;
    std::string cut;
    if ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_WAV && CutShortWav(f.Get(), &cut)) {
        *error = path + ": " + cut;
        return false;
    }
    const sf_count_t chunk = 65536;
    sf_count_t frames = 0;
    for (;;) {
        a.data.resize(static_cast<size_t>(frames + chunk) * a.format.blockAlign);
        unsigned char* at = &a.data[static_cast<size_t>(frames) * a.format.blockAlign];
        sf_count_t n = tag == kFormatFloat ? sf_readf_float(f.Get(), reinterpret_cast<float*>(at), chunk)
                       : bits == 16        ? sf_readf_short(f.Get(), reinterpret_cast<short*>(at), chunk)
                                           : sf_readf_int(f.Get(), reinterpret_cast<int*>(at), chunk);
        if (n <= 0) break;
        frames += n;
    }
    a.data.resize(static_cast<size_t>(frames) * a.format.blockAlign);
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
    uint16_t tag, bits;
    ChainLayout(subtype, &tag, &bits);
    int container, fallback;
    if (EndsWith(path, ".wav")) {
        container = channels > 2 ? SF_FORMAT_WAVEX : SF_FORMAT_WAV;
        fallback = subtype == SF_FORMAT_PCM_S8 ? SF_FORMAT_PCM_U8
                   : tag == kFormatFloat       ? SF_FORMAT_FLOAT
                   : bits == 16                ? SF_FORMAT_PCM_16
                                               : SF_FORMAT_PCM_32;
    } else if (EndsWith(path, ".flac")) {
        container = SF_FORMAT_FLAC;
        fallback = subtype == SF_FORMAT_PCM_U8 ? SF_FORMAT_PCM_S8 : bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24;
    } else {
        *error = path + ": korvfx writes .wav or .flac";
        return false;
    }
    SF_INFO probe{};
    probe.channels = channels;
    probe.samplerate = 44100;
    probe.format = container | subtype;
    *sfFormat = sf_format_check(&probe) ? probe.format : container | fallback;
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
    // Float beyond full scale into integers: clip, never wrap.
    sf_command(f.Get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const sf_count_t frames = static_cast<sf_count_t>(audio.Frames());
    const void* at = audio.data.data();
    sf_count_t n = audio.format.formatTag == kFormatFloat ? sf_writef_float(f.Get(), static_cast<const float*>(at), frames)
                   : audio.format.bitsPerSample == 16 ? sf_writef_short(f.Get(), static_cast<const short*>(at), frames)
                                                      : sf_writef_int(f.Get(), static_cast<const int*>(at), frames);
    bool ok = n == frames && sf_close(f.Detach()) == 0;
    if (ok && rename(part.c_str(), path.c_str()) == 0) return true;
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
        if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &fi, sizeof fi) == 0 && fi.name) text += std::string(fi.name) + ", ";
    }
    return text + std::to_string(audio.format.channels) + (audio.format.channels == 1 ? " channel, " : " channels, ") +
           std::to_string(audio.format.sampleRate) + " Hz";
}

}  // namespace korvfx
