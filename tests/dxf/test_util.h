// Small helpers shared by the DXF layer tests.
#pragma once

#include "tests/common/corpus.h"
#include "host/dxf/tags.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace dxftest {

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

struct Tag {
    int code;
    std::string value;
    uint32_t line;
    bool operator==(const Tag& o) const { return code == o.code && value == o.value; }
};

// All tags of an ASCII buffer; error receives the reader's message ("" when it ended cleanly).
inline std::vector<Tag> readTags(std::string_view text, std::string* error = nullptr) {
    std::vector<Tag> tags;
    dxf::AsciiTagReader reader(text);
    dxf::RawTag t;
    while (reader.next(t)) tags.push_back({t.code, std::string(t.value), t.line});
    if (error) *error = reader.error();
    return tags;
}

inline std::filesystem::path corpusDir() {
    return arxtest::corpusDir();
}

// Undoes the caret form of control characters ("^J" -> LF, "^ " -> "^").
inline std::string uncaret(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '^' && i + 1 < s.size()) {
            char c = s[++i];
            out.push_back(c == ' ' ? '^' : static_cast<char>(c - 0x40));
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

}  // namespace dxftest
