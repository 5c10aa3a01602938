// Delivers a dialog's initialisation data (resource type 240, same id as the
// dialog template) to its skin controls: the persisted bytes of each.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

class DialogInit {
public:
    DialogInit(HINSTANCE instance, UINT templateId);
    // Sends each control its bytes; returns how many controls took them.
    int Deliver(HWND dialog) const;

private:
    const uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};
