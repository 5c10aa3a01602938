// One parsed journal line: "<ms> <CHAN> <KIND> <A> <B> <C>". The format is
// described in sim/JOURNAL.md.
#pragma once

#include <stdint.h>

#include <optional>
#include <string>

namespace sim {

enum class Channel { Vxd, Wdm, Hook, Inst };
enum class Kind { Open, Close, Ioctl, Call };

const char* ChannelName(Channel channel);

struct JournalRecord {
    uint64_t ms = 0;
    Channel channel = Channel::Wdm;
    Kind kind = Kind::Open;
    uint32_t code = 0;              // IOCTL: the control code
    std::string name;               // CALL: the export's name
    std::optional<uint32_t> value;  // IOCTL: payload or status; CALL: result
    uint32_t length = 0;            // IOCTL: input (or, for the status query, output) length

    // Accepts one line with or without its CR/LF; nullopt when it is not a
    // well-formed record.
    static std::optional<JournalRecord> Parse(const std::string& line);
};

}  // namespace sim
