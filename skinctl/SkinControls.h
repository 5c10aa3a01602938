// Registers the knob, push-button and animation window classes (their names
// are the class-id strings in SkinProtocol.h). Safe to call more than once.
#pragma once

#include <windows.h>

bool RegisterSkinControls(HINSTANCE instance);
