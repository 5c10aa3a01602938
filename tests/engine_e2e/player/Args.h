// The player's command line: words key=value. Each mode family reads the
// keys it knows; a word none of them read is an error of the caller.
#pragma once

#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

class Args {
public:
    // False on a word without '='.
    bool Parse(int argc, char** argv) {
        for (int i = 1; i < argc; ++i) {
            const std::string word = argv[i];
            const size_t eq = word.find('=');
            if (eq == std::string::npos) return false;
            m_words.push_back({word.substr(0, eq), word.substr(eq + 1), false});
        }
        return true;
    }
    unsigned long Number(const std::string& key, unsigned long fallback) {
        const std::string* value = Find(key);
        return value ? strtoul(value->c_str(), nullptr, 10) : fallback;
    }
    std::string Text(const std::string& key, const std::string& fallback) {
        const std::string* value = Find(key);
        return value ? *value : fallback;
    }
    // Each key's value into its field; a field whose key is not given keeps its value.
    void Read(std::initializer_list<std::pair<const char*, unsigned long*>> numbers) {
        for (const auto& n : numbers) *n.second = Number(n.first, *n.second);
    }
    void Read(std::initializer_list<std::pair<const char*, std::string*>> texts) {
        for (const auto& t : texts) *t.second = Text(t.first, *t.second);
    }
    bool AllRead() const {
        for (const Word& w : m_words)
            if (!w.read) return false;
        return true;
    }

private:
    struct Word {
        std::string key, value;
        bool read;
    };
    const std::string* Find(const std::string& key) {
        const std::string* value = nullptr;
        for (Word& w : m_words)
            if (w.key == key) {
                w.read = true;
                value = &w.value;  // the last one given counts
            }
        return value;
    }

    std::vector<Word> m_words;
};
