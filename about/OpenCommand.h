// The command line that opens an address with the page handler's command
// template when the shell cannot open it itself. Free of Windows; the
// caller supplies the code page's lead-byte test.
#pragma once

#include <cstddef>
#include <string>

using LeadByteTest = bool (*)(unsigned char);

// The template up to its "%1" placeholder (the quoted form "\"%1\"" found on
// character boundaries, else a bare %1 anywhere), then a blank and the
// address, unquoted; a template without a placeholder is kept whole.
// Arguments after the placeholder are dropped. False, with command
// untouched, when the line would not fit in capacity bytes with its
// terminating zero.
bool BuildOpenCommand(const std::string& commandTemplate, const std::string& address, LeadByteTest isLeadByte,
                      std::size_t capacity, std::string& command);
