#include "sim/core/JournalRecord.h"

#include <vector>

namespace sim {
namespace {

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::string current;
    for (char c : line) {
        if (c == ' ') {
            fields.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    fields.push_back(current);
    return fields;
}

std::optional<uint64_t> ParseDecimal(const std::string& s, uint64_t max) {
    if (s.empty() || s.size() > 20) return std::nullopt;
    uint64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (max - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// Exactly "0x" and eight upper- or lower-case hex digits.
std::optional<uint32_t> ParseHex32(const std::string& s) {
    if (s.size() != 10 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return std::nullopt;
    uint32_t value = 0;
    for (size_t i = 2; i < s.size(); ++i) {
        const char c = s[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            digit = static_cast<uint32_t>(c - 'a' + 10);
        else
            return std::nullopt;
        value = (value << 4) | digit;
    }
    return value;
}

// "-" or a hex value; false when it is neither.
bool ParseOptionalHex(const std::string& s, std::optional<uint32_t>& out) {
    if (s == "-") {
        out.reset();
        return true;
    }
    out = ParseHex32(s);
    return out.has_value();
}

std::optional<Channel> ParseChannel(const std::string& s) {
    if (s == "VXD") return Channel::Vxd;
    if (s == "WDM") return Channel::Wdm;
    if (s == "HOOK") return Channel::Hook;
    if (s == "INST") return Channel::Inst;
    return std::nullopt;
}

std::optional<Kind> ParseKind(const std::string& s) {
    if (s == "OPEN") return Kind::Open;
    if (s == "CLOSE") return Kind::Close;
    if (s == "IOCTL") return Kind::Ioctl;
    if (s == "CALL") return Kind::Call;
    return std::nullopt;
}

}  // namespace

const char* ChannelName(Channel channel) {
    switch (channel) {
        case Channel::Vxd: return "VXD";
        case Channel::Wdm: return "WDM";
        case Channel::Hook: return "HOOK";
        case Channel::Inst: return "INST";
    }
    return "?";
}

std::optional<JournalRecord> JournalRecord::Parse(const std::string& line) {
    std::string text = line;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();

    const std::vector<std::string> f = SplitFields(text);
    if (f.size() != 6) return std::nullopt;

    JournalRecord record;
    const auto ms = ParseDecimal(f[0], UINT64_MAX);
    const auto channel = ParseChannel(f[1]);
    const auto kind = ParseKind(f[2]);
    if (!ms || !channel || !kind) return std::nullopt;
    record.ms = *ms;
    record.channel = *channel;
    record.kind = *kind;

    switch (record.kind) {
        case Kind::Open:
        case Kind::Close:
            if (f[3] != "-" || f[4] != "-" || f[5] != "-") return std::nullopt;
            return record;
        case Kind::Ioctl: {
            const auto code = ParseHex32(f[3]);
            const auto length = ParseDecimal(f[5], UINT32_MAX);
            if (!code || !length || !ParseOptionalHex(f[4], record.value)) return std::nullopt;
            record.code = *code;
            record.length = static_cast<uint32_t>(*length);
            return record;
        }
        case Kind::Call:
            if (f[3].empty() || f[3] == "-" || f[5] != "-" || !ParseOptionalHex(f[4], record.value))
                return std::nullopt;
            record.name = f[3];
            return record;
    }
    return std::nullopt;
}

}  // namespace sim
