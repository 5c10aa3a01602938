#include "korvfx/WavFile.h"

#include <stdio.h>
#include <string.h>

namespace korvfx {
namespace {

uint32_t U32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

uint16_t U16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void Put32(std::vector<unsigned char>* v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v->push_back(static_cast<unsigned char>(x >> (8 * i)));
}

void Put16(std::vector<unsigned char>* v, uint16_t x) {
    v->push_back(static_cast<unsigned char>(x));
    v->push_back(static_cast<unsigned char>(x >> 8));
}

void PutTag(std::vector<unsigned char>* v, const char* tag) {
    for (int i = 0; i < 4; ++i) v->push_back(static_cast<unsigned char>(tag[i]));
}

}  // namespace

WavFile WavFile::Pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WavFile w;
    uint16_t block = static_cast<uint16_t>(channels * bits / 8);
    w.format = fx::FxFormat{fx::kFormatPcm, channels, rate, bits, block};
    Put16(&w.fmtChunk, fx::kFormatPcm);
    Put16(&w.fmtChunk, channels);
    Put32(&w.fmtChunk, rate);
    Put32(&w.fmtChunk, rate * block);
    Put16(&w.fmtChunk, block);
    Put16(&w.fmtChunk, bits);
    return w;
}

bool WavFile::Parse(const std::vector<unsigned char>& bytes, std::string* error) {
    if (bytes.size() < 12 || memcmp(&bytes[0], "RIFF", 4) != 0 || memcmp(&bytes[8], "WAVE", 4) != 0) {
        *error = "not a RIFF WAVE file";
        return false;
    }
    bool haveFmt = false, haveData = false;
    size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const unsigned char* chunk = &bytes[at];
        size_t size = U32(chunk + 4);
        size_t body = at + 8;
        // A cut-off last chunk (a recording stopped early) counts as far as it goes.
        size_t avail = bytes.size() - body < size ? bytes.size() - body : size;
        if (memcmp(chunk, "fmt ", 4) == 0) {
            if (avail < 16) break;
            fmtChunk.assign(bytes.begin() + body, bytes.begin() + body + avail);
            format.formatTag = U16(&fmtChunk[0]);
            format.channels = U16(&fmtChunk[2]);
            format.sampleRate = U32(&fmtChunk[4]);
            format.blockAlign = U16(&fmtChunk[12]);
            format.bitsPerSample = U16(&fmtChunk[14]);
            haveFmt = true;
        } else if (memcmp(chunk, "data", 4) == 0) {
            data.assign(bytes.begin() + body, bytes.begin() + body + avail);
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFmt || !haveData) {
        *error = haveFmt ? "no data chunk" : "no format chunk";
        return false;
    }
    if (format.blockAlign == 0) {
        *error = "format with a block size of 0";
        return false;
    }
    return true;
}

std::vector<unsigned char> WavFile::Serialize() const {
    std::vector<unsigned char> out;
    size_t fmtSize = fmtChunk.size();
    PutTag(&out, "RIFF");
    Put32(&out, static_cast<uint32_t>(4 + 8 + fmtSize + (fmtSize & 1) + 8 + data.size() + (data.size() & 1)));
    PutTag(&out, "WAVE");
    PutTag(&out, "fmt ");
    Put32(&out, static_cast<uint32_t>(fmtSize));
    out.insert(out.end(), fmtChunk.begin(), fmtChunk.end());
    if (fmtSize & 1) out.push_back(0);
    PutTag(&out, "data");
    Put32(&out, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
    return out;
}

bool WavFile::Load(const std::string& path, std::string* error) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) {
        *error = "cannot open " + path;
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    if (!Parse(bytes, error)) {
        *error = path + ": " + *error;
        return false;
    }
    return true;
}

bool WavFile::Save(const std::string& path, std::string* error) const {
    std::vector<unsigned char> bytes = Serialize();
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) {
        *error = "cannot create " + path;
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = fclose(f) == 0 && ok;
    if (!ok) *error = "cannot write " + path;
    return ok;
}

float WavFile::Sample(uint32_t frame, uint32_t channel) const {
    size_t at = static_cast<size_t>(frame) * format.blockAlign;
    if (format.bitsPerSample == 8) return (data[at + channel] - 128.0f) / 128.0f;
    int16_t s = static_cast<int16_t>(U16(&data[at + 2 * channel]));
    return s / 32768.0f;
}

}  // namespace korvfx
