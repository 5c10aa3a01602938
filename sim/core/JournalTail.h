// Follows a journal file that grows, and that tests may truncate, delete or
// recreate at any time. Each Poll reopens the file by name and hands out the
// complete lines added since the last one; a partial last line waits.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace sim {

class JournalTail {
public:
    struct Batch {
        bool restarted = false;          // the file was truncated or replaced: start over
        std::vector<std::string> lines;  // without CR/LF
    };

    explicit JournalTail(std::string path) : m_path(std::move(path)) {}

    Batch Poll();
    const std::string& Path() const { return m_path; }

private:
    void StartOver(Batch& batch);

    std::string m_path;
    uint64_t m_offset = 0;    // bytes consumed, up to the end of the last complete line
    std::string m_firstLine;  // tells a recreated file from the one we followed
};

}  // namespace sim
