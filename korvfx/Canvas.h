// An RGB picture to draw plots on: filled rectangles, lines, points and text
// in a small built-in 5x7 font (upper case, digits, a little punctuation;
// lower case is drawn as upper case).
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace korvfx {

struct Rgb {
    unsigned char r, g, b;
};

class Canvas {
public:
    Canvas(int width, int height, Rgb background);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    const std::vector<unsigned char>& Pixels() const { return m_rgb; }
    Rgb At(int x, int y) const;

    void Set(int x, int y, Rgb c);
    void Fill(int x, int y, int w, int h, Rgb c);
    void Line(double x0, double y0, double x1, double y1, Rgb c, int thickness = 1);
    // Text with its top left corner at x, y; scale 1 = 5x7 pixels a glyph.
    void Text(int x, int y, const std::string& text, Rgb c, int scale = 1);
    static int TextWidth(const std::string& text, int scale = 1) { return static_cast<int>(text.size()) * 6 * scale; }

private:
    int m_width, m_height;
    std::vector<unsigned char> m_rgb;
};

}  // namespace korvfx
