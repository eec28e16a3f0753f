// Helpers shared by the engine tests of both builds.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/codepage.h"
#include "platform/heap.h"
#include "recode/recode.h"

using AString = std::basic_string<ACHAR>;

// Recode a heap copy of `s` the way every caller does, and return the result.
inline AString recoded(const AString& s, int mode) {
    ACHAR* text = acStrDup(s.c_str());
    recodeString(text, mode);
    AString out(text);
    acStrFree(text);
    return out;
}

// Every test starts from the default options and the ANSI code page 1251.
class RecodeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        recodeOptions = RecodeOptions{};
        setAnsiCodePage(1251);
    }
    void TearDown() override {
        recodeOptions = RecodeOptions{};
        setAnsiCodePage(1251);
    }
};
