// Test data of the recoding benchmarks, the same in every run. Independent of
// the engine build, so that the wide and the narrow benchmarks share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Names of drawing objects in the correct (Windows) form: Cyrillic words,
// Latin words and numbers with separators, as layer and block names look
// ("Стены_2", "ПЛИТА-ПП-3", "Оси A-12"), `minLen` to `maxLen` characters.
std::vector<std::u16string> makeNames(std::size_t count, int minLen, int maxLen, unsigned seed);

// Running text of at least `length` characters built from such names.
std::vector<std::u16string> makeTexts(std::size_t count, std::size_t length, unsigned seed);

// Many strings in one block, each followed by a NUL.
template <class C>
struct Packed {
    std::vector<C> data;
    std::vector<std::size_t> start;
    std::size_t units = 0;  // code units without the terminators

    void add(const std::basic_string<C>& s) {
        start.push_back(data.size());
        data.insert(data.end(), s.begin(), s.end());
        data.push_back(C(0));
        units += s.size();
    }
    const C* at(std::size_t i) const { return data.data() + start[i]; }
    std::size_t length(std::size_t i) const {
        return (i + 1 < start.size() ? start[i + 1] : data.size()) - start[i] - 1;
    }
    std::size_t size() const { return start.size(); }
};

constexpr std::size_t kNameCount = 1000000;
constexpr std::size_t kTextBytes = 4096;
constexpr std::size_t kTextCount = 64;
constexpr std::size_t kShortNameCount = 4096;

// The shared data sets, made on first use: kNameCount names of 4 to 20
// characters, kShortNameCount names of 12 characters, kTextCount texts of
// kTextBytes characters.
const std::vector<std::u16string>& benchNames();
const std::vector<std::u16string>& benchShortNames();
const std::vector<std::u16string>& benchTexts();
