#include "about/OpenCommand.h"

// The first "\"%1\"" that starts on a character boundary.
static std::size_t FindQuotedPlaceholder(const std::string& s, LeadByteTest isLeadByte) {
    static const char kQuoted[] = "\"%1\"";
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        if (s.compare(i, 4, kQuoted) == 0) return i;
        const bool lead = isLeadByte && isLeadByte(static_cast<unsigned char>(s[i]));
        i += (lead && i + 1 < n) ? 2 : 1;
    }
    return std::string::npos;
}

bool BuildOpenCommand(const std::string& commandTemplate, const std::string& address, LeadByteTest isLeadByte,
                      std::size_t capacity, std::string& command) {
    std::size_t end = FindQuotedPlaceholder(commandTemplate, isLeadByte);
    if (end == std::string::npos) end = commandTemplate.find("%1");
    if (end == std::string::npos) end = commandTemplate.size();
    const std::size_t length = end + 1 + address.size();
    if (length >= capacity) return false;
    command.assign(commandTemplate, 0, end);
    command += ' ';
    command += address;
    return true;
}
