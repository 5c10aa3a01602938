// The sound capture seen from inside Wine: the ALSA file device writes to a
// Linux path, which the Windows tests reach through drive Z:.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

inline std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

inline std::string ReadAll(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}
