// Where the skin puts things: the console's fixed size and each child
// control's pixel position in client coordinates, in the order they are
// placed at every paint.
#pragma once

namespace skin {

const int kWindowWidth = 309;
const int kWindowHeight = 263;

struct ChildPlace {
    int id;
    int left, top, width, height;
};

const ChildPlace kChildPlaces[] = {
    {1003, 47, 50, 197, 99},   // animation
    {1000, 77, 158, 44, 47},   // 3D knob
    {1001, 129, 158, 44, 47},  // Vibe knob
    {1002, 182, 158, 42, 47},  // Soundfields knob
    {1005, 75, 205, 17, 16},   // headphones
    {1006, 135, 16, 11, 11},   // to the mini form
    {1008, 147, 16, 11, 11},   // close
    {1010, 62, 158, 12, 13},   // to the full form
    {1011, 224, 158, 11, 11},  // close, mini form
};

}  // namespace skin
