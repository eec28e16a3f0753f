#include "recode/tools/narrow_engine.h"

#include <cstring>

#include "platform/heap.h"
#include "recode/recode.h"

std::string recodeNarrow(const std::string& bytes, int mode) {
    char* text = acStrAlloc<char>(bytes.size() + 1);
    std::memcpy(text, bytes.c_str(), bytes.size() + 1);
    recodeString(text, mode);
    std::string out(text);
    acStrFree(text);
    return out;
}
