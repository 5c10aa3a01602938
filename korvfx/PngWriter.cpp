#include "korvfx/PngWriter.h"

#include <stdio.h>

namespace korvfx {
namespace {

void Put32(std::vector<unsigned char>* v, uint32_t x) {
    for (int i = 3; i >= 0; --i) v->push_back(static_cast<unsigned char>(x >> (8 * i)));
}

void Chunk(std::vector<unsigned char>* png, const char* type, const std::vector<unsigned char>& body) {
    Put32(png, static_cast<uint32_t>(body.size()));
    size_t start = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), body.begin(), body.end());
    Put32(png, Crc32(png->data() + start, png->size() - start));
}

}  // namespace

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc) {
    static uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const unsigned char* data, size_t size) {
    uint32_t a = 1, b = 0;
    for (size_t i = 0; i < size; ++i) {
        a = (a + data[i]) % 65521u;
        b = (b + a) % 65521u;
    }
    return (b << 16) | a;
}

std::vector<unsigned char> EncodePng(const std::vector<unsigned char>& rgb, uint32_t width, uint32_t height) {
    // Each row: filter type 0, then its pixels.
    std::vector<unsigned char> raw;
    raw.reserve((static_cast<size_t>(width) * 3 + 1) * height);
    for (uint32_t y = 0; y < height; ++y) {
        raw.push_back(0);
        const unsigned char* row = &rgb[static_cast<size_t>(y) * width * 3];
        raw.insert(raw.end(), row, row + static_cast<size_t>(width) * 3);
    }
    std::vector<unsigned char> z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
        z.push_back(at + n >= raw.size() ? 1 : 0);  // last block?
        z.push_back(static_cast<unsigned char>(n));
        z.push_back(static_cast<unsigned char>(n >> 8));
        z.push_back(static_cast<unsigned char>(~n));
        z.push_back(static_cast<unsigned char>(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        if (raw.empty()) break;
    }
    Put32(&z, Adler32(raw.data(), raw.size()));

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    Put32(&header, width);
    Put32(&header, height);
    header.push_back(8);  // bits per channel
    header.push_back(2);  // RGB
    header.push_back(0);
    header.push_back(0);
    header.push_back(0);
    Chunk(&png, "IHDR", header);
    Chunk(&png, "IDAT", z);
    Chunk(&png, "IEND", {});
    return png;
}

bool WritePng(const std::string& path, const std::vector<unsigned char>& rgb, uint32_t width, uint32_t height) {
    std::vector<unsigned char> png = EncodePng(rgb, width, height);
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && ok;
}

}  // namespace korvfx
