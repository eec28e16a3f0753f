#include "host/arx/textutil.h"

#include <algorithm>
#include <vector>

namespace arxhost {

using hostcore::Tag;
using hostcore::TagList;

namespace {

// Indexes of the text pieces (codes 3 then 1) of a multiline text's own data.
std::vector<std::size_t> mtextPieces(const TagList& t) {
    std::vector<std::size_t> out;
    std::size_t from = 1;
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i].code == 100 && t[i].value == "AcDbMText") {
            from = i + 1;
            break;
        }
    for (std::size_t i = from; i < t.size(); ++i) {
        if (t[i].code >= 1000 || t[i].code == 101) break;
        if (t[i].code == 1 || t[i].code == 3) out.push_back(i);
    }
    return out;
}

std::size_t seqLen(unsigned char b) { return b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1; }

// Length of an escape starting at s[i] that must not be cut, in characters (0 if none).
std::size_t escapeLen(const std::string& s, std::size_t i) {
    if (s[i] != '\\' || i + 2 >= s.size() || s[i + 2] != '+') return s[i] == '\\' && i + 1 < s.size() ? 2 : 0;
    if (s[i + 1] == 'U' || s[i + 1] == 'u') return 7;
    if (s[i + 1] == 'M' || s[i + 1] == 'm') return 8;
    return 2;
}

}  // namespace

std::vector<std::string> cutText(const std::string& s, std::size_t limit) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (s.size() - start > 0) {
        std::size_t i = start, chars = 0, lastSafe = start;
        while (i < s.size() && chars < limit) {
            std::size_t esc = escapeLen(s, i);
            if (esc > 1) {
                if (chars + esc > limit) break;
                i = std::min(s.size(), i + esc);
                chars += esc;
            } else {
                i = std::min(s.size(), i + seqLen(static_cast<unsigned char>(s[i])));
                ++chars;
            }
            lastSafe = i;
        }
        if (lastSafe == start) lastSafe = std::min(s.size(), start + seqLen(static_cast<unsigned char>(s[start])));
        if (lastSafe >= s.size()) break;
        pieces.push_back(s.substr(start, lastSafe - start));
        start = lastSafe;
    }
    pieces.push_back(s.substr(start));
    return pieces;
}

std::string mtextContents(const TagList& t) {
    std::string all, last;
    bool haveLast = false;
    for (std::size_t i : mtextPieces(t)) {
        if (t[i].code == 3) {
            all += t[i].value;
        } else if (!haveLast) {
            last = t[i].value;
            haveLast = true;
        }
    }
    return all + last;
}

void setMTextContents(TagList& t, const std::string& utf8) {
    std::vector<std::size_t> pieces = mtextPieces(t);
    std::size_t at = pieces.empty() ? std::size_t(0) : pieces.front();
    for (auto it = pieces.rbegin(); it != pieces.rend(); ++it) t.erase(t.begin() + static_cast<std::ptrdiff_t>(*it));
    if (pieces.empty()) {
        at = t.size();
        for (std::size_t i = 1; i < t.size(); ++i)
            if (t[i].code >= 1000 || t[i].code == 101) {
                at = i;
                break;
            }
    }
    std::vector<std::string> cut = cutText(utf8, 250);
    TagList add;
    for (std::size_t i = 0; i < cut.size(); ++i)
        add.push_back(Tag{static_cast<int16_t>(i + 1 < cut.size() ? 3 : 1), std::move(cut[i]), nullptr});
    t.insert(t.begin() + static_cast<std::ptrdiff_t>(at), add.begin(), add.end());
}

bool dropProxyGraphics(TagList& t) {
    // The common entity part runs from its marker to the next subclass marker.
    std::size_t i = 1;
    while (i < t.size() && !(t[i].code == 100 && t[i].value == "AcDbEntity")) ++i;
    for (++i; i < t.size() && t[i].code != 100 && t[i].code < 1000; ++i) {
        if (t[i].code != 92 && t[i].code != 160) continue;
        std::size_t end = i + 1;
        while (end < t.size() && t[end].code == 310) ++end;
        if (end == i + 1) return false;  // a size without a picture: something else
        t.erase(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(end));
        return true;
    }
    return false;
}

}  // namespace arxhost
