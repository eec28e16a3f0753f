// recode-text run as a program: output, exit codes, messages.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

// Outcome recode-text with `args`, feeding `input` on standard input.
Outcome run(const std::string& args, const std::string& input) {
    const std::string base = ::testing::TempDir() + "recode_text_" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::ofstream(base + ".in", std::ios::binary) << input;
    const std::string cmd = std::string(RECODE_TEXT) + " " + args + " <" + base + ".in >" + base +
                            ".out 2>" + base + ".err";
    int raw = std::system(cmd.c_str());
    auto slurp = [](const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(base + ".out"), slurp(base + ".err")};
}

TEST(RecodeText, RecodesEachLineByNumberOrName) {
    Outcome r = run("--mode 0", "ЏаЁўҐв\nLayer %%128\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Привет\nLayer А\n");
    r = run("--mode win2cyr", "Аб1");  // no final newline: none added
    EXPECT_EQ(r.out,
              "\\U+0410\\U+0431"
              "1");
    EXPECT_EQ(run("--mode=cyr2win", "\\U+0410\r\n").out, "А\r\n");
}

TEST(RecodeText, EscapeFlags) {
    EXPECT_EQ(run("--mode latin2win --no-percent-escapes", "%%065\\U+0041\n").out, "%%065A\n");
    EXPECT_EQ(run("--mode 2 --no-unicode-escapes", "%%065\\U+0041\n").out, "A\\U+0041\n");
    EXPECT_EQ(run("--mode 3 --no-multibyte-escapes", "\\M+100C0\n").out, "\\M+100C0\n");
    EXPECT_EQ(run("--mode 3", "\\M+100C0\n").out, "А\n");
}

TEST(RecodeText, NarrowRulesAndCodePage) {
    EXPECT_EQ(run("--narrow --mode latin2win", "\\U+0410\\U+00C0\n").out,
              "\x10"
              "А\n");
    EXPECT_EQ(run("--narrow --mode win2dos", "Білий\n").out, "Ѓi«Ё©\n");
    EXPECT_EQ(run("--codepage 1252 --mode win2dos", "А\n").out, "€\n");
}

TEST(RecodeText, KeepsNulCharactersAndTheTextAfterThem) {
    EXPECT_EQ(run("--mode 5", std::string("А\0Б\n", 6)).out,
              std::string("\\U+0410\0\\U+0411\n", 16));
}

TEST(RecodeText, BadInputNamesTheLine) {
    Outcome r = run("--mode 0", "good\nbad \xFF\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "good\n");
    EXPECT_NE(r.err.find("<stdin>:2:"), std::string::npos) << r.err;
    EXPECT_EQ(run("", "\xED\xA0\x80\n").status, 1);  // an encoded surrogate
    EXPECT_EQ(run("", "\xC0\xAF\n").status, 1);      // an overlong form
    EXPECT_EQ(run("/nonexistent/file", "").status, 1);
}

TEST(RecodeText, BadOptionsExitWithTwo) {
    for (const char* args : {"--mode 6", "--mode dos", "--mode", "--codepage 437", "--frobnicate",
                             "--narrow --no-percent-escapes"}) {
        Outcome r = run(args, "x\n");
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("recode-text:"), std::string::npos) << args;
        EXPECT_EQ(r.out, "") << args;
    }
    const std::string modes = run("--list-modes", "").out;
    EXPECT_EQ(modes.rfind("0\tdos2win\tDos -> Windows\n1\twin2dos\t", 0), 0u) << modes;
    Outcome help = run("--help", "");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("win2cyr"), std::string::npos);
}

}  // namespace
