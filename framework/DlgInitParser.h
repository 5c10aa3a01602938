// Reads the entries of a dialog initialisation resource: for each control,
// WORD control id, WORD message, DWORD length, then that many bytes; a zero
// control id ends the list. Entries that would run past the end are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct DlgInitEntry {
    uint16_t controlId;
    uint16_t message;
    const uint8_t* data;
    uint32_t length;
};

std::vector<DlgInitEntry> ParseDlgInit(const uint8_t* data, std::size_t size);
