// An RGB image written as PNG: zlib stored blocks, no compression library.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace korvfx {

// rgb: width * height * 3 bytes, rows top to bottom.
std::vector<unsigned char> EncodePng(const std::vector<unsigned char>& rgb, uint32_t width, uint32_t height);
bool WritePng(const std::string& path, const std::vector<unsigned char>& rgb, uint32_t width, uint32_t height);

uint32_t Crc32(const unsigned char* data, size_t size, uint32_t crc = 0);
uint32_t Adler32(const unsigned char* data, size_t size);

}  // namespace korvfx
