#include "sim/core/JournalTail.h"

#include <fstream>
#include <iterator>

namespace sim {
namespace {

std::string StripEnd(std::string line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    return line;
}

}  // namespace

void JournalTail::StartOver(Batch& batch) {
    if (m_offset != 0 || !m_firstLine.empty()) batch.restarted = true;
    m_offset = 0;
    m_firstLine.clear();
}

JournalTail::Batch JournalTail::Poll() {
    Batch batch;
    std::ifstream file(m_path, std::ios::binary);
    if (!file) {
        StartOver(batch);  // deleted: whatever comes next is a new journal
        return batch;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff size = file.tellg();
    if (size < 0) return batch;
    if (static_cast<uint64_t>(size) < m_offset) StartOver(batch);

    if (!m_firstLine.empty()) {
        file.seekg(0);
        std::string first;
        std::getline(file, first);
        if (StripEnd(first) != m_firstLine) StartOver(batch);
    }

    file.clear();
    file.seekg(static_cast<std::streamoff>(m_offset));
    const std::string added((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());

    size_t start = 0;
    for (size_t nl = added.find('\n'); nl != std::string::npos; nl = added.find('\n', start)) {
        std::string line = StripEnd(added.substr(start, nl - start));
        if (m_offset == 0 && start == 0) m_firstLine = line;
        batch.lines.push_back(std::move(line));
        start = nl + 1;
    }
    m_offset += start;
    return batch;
}

}  // namespace sim
