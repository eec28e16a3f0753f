#include "bench_data.h"

#include <random>

namespace {

const char16_t kUpper[] = u"АБВГДЕЖЗИКЛМНОПРСТУФХЦШЭЯЁ";
const char16_t kLower[] = u"аааеееиииооонннтттсссрррвввлллкккмммдддпппуяыьгзбчйхжшюцщэфёъ";
const char16_t kLatin[] = u"ABCDEFGHKLMNPRSTXabcdeghiklmnoprstuvwxyz";
const char16_t kSeparators[] = u"_- .";

template <std::size_t N>
char16_t pick(std::mt19937& rng, const char16_t (&set)[N]) {
    return set[std::uniform_int_distribution<std::size_t>(0, N - 2)(rng)];
}

std::u16string makeName(std::mt19937& rng, int length) {
    std::u16string s;
    std::uniform_int_distribution<int> kind(0, 99), wordLen(2, 8);
    while (static_cast<int>(s.size()) < length) {
        if (!s.empty()) s += pick(rng, kSeparators);
        int k = kind(rng), len = wordLen(rng);
        if (k < 60) {  // a Cyrillic word, capitalised or all capitals
            bool capitals = k < 15;
            s += pick(rng, kUpper);
            for (int i = 1; i < len; ++i)
                s += capitals ? pick(rng, kUpper) : pick(rng, kLower);
        } else if (k < 80) {  // a number
            for (int i = 0; i < (len + 1) / 2; ++i)
                s += static_cast<char16_t>(u'0' + rng() % 10);
        } else {  // a Latin word
            for (int i = 0; i < len; ++i)
                s += pick(rng, kLatin);
        }
    }
    s.resize(static_cast<std::size_t>(length));
    if (s.back() == u' ') s.back() = u'1';
    return s;
}

}  // namespace

std::vector<std::u16string> makeNames(std::size_t count, int minLen, int maxLen, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> len(minLen, maxLen);
    std::vector<std::u16string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        names.push_back(makeName(rng, len(rng)));
    return names;
}

std::vector<std::u16string> makeTexts(std::size_t count, std::size_t length, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> len(4, 20), punct(0, 9);
    std::vector<std::u16string> texts(count);
    for (auto& t : texts) {
        while (t.size() < length) {
            t += makeName(rng, len(rng));
            int p = punct(rng);
            t += p == 0 ? u". " : p == 1 ? u", " : u" ";
        }
    }
    return texts;
}

const std::vector<std::u16string>& benchNames() {
    static const auto names = makeNames(kNameCount, 4, 20, 1);
    return names;
}

const std::vector<std::u16string>& benchShortNames() {
    static const auto names = makeNames(kShortNameCount, 12, 12, 2);
    return names;
}

const std::vector<std::u16string>& benchTexts() {
    static const auto texts = makeTexts(kTextCount, kTextBytes, 3);
    return texts;
}
