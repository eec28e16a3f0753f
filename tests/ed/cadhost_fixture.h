// The fixture of the cadhost tests: runs an executable (wide or narrow) with a
// script in a scratch folder and captures what it prints.
#pragma once

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace cadhosttest {

struct Build {
    const char* name;
    const char* exe;
    const char* module;
    const char* other;   // a module of the other generation
    const char* fail;    // a module whose initialisation fails
    const char* future;  // a module for a newer release
    int release;
};

const Build kWide{"wide", CADHOST_WIDE, "edtest.arx", "edtest_narrow.arx", "edfail.arx", "edfuture.arx", 250};
const Build kNarrow{"narrow", CADHOST_NARROW, "edtest_narrow.arx", "edtest.arx", "edfail_narrow.arx",
                    "edfuture_narrow.arx", 162};

inline void PrintTo(const Build& b, std::ostream* os) {
    *os << b.name;
}

struct Result {
    int status = -1;
    std::string out, err;
};

inline std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Cadhost : public ::testing::TestWithParam<Build> {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/cadhost-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        registry_ = dir_ / "registry.ini";
        fs::copy_file(fs::path(EDITOR_DATA) / "picks.dxf", dir_ / "picks.dxf");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    std::string module() const { return std::string(BIN_DIR) + "/" + GetParam().module; }
    std::string drawing() const { return (dir_ / "picks.dxf").string(); }

    // Runs the executable with `args` and the script text; output captured.
    Result run(const std::string& args, const std::string& script, bool useScript = true) {
        fs::path scriptFile = dir_ / "script.scr";
        std::ofstream(scriptFile, std::ios::binary) << script;
        std::string cmd = "cd '" + dir_.string() + "' && CADHOST_REGISTRY='" + registry_.string() + "' '" +
                          GetParam().exe + "' " + args;
        if (useScript) cmd += " -s '" + scriptFile.string() + "'";
        else cmd += " < '" + scriptFile.string() + "'";
        cmd += " > '" + (dir_ / "out.txt").string() + "' 2> '" + (dir_ / "err.txt").string() + "'";
        int rc = std::system(cmd.c_str());
        Result r;
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = readFile(dir_ / "out.txt");
        r.err = readFile(dir_ / "err.txt");
        return r;
    }
    Result runModule(const std::string& script) { return run("-l '" + module() + "' '" + drawing() + "'", script); }

    // The lines of the output that start with `prefix`.
    static std::string linesWith(const std::string& out, const std::string& prefix) {
        std::istringstream in(out);
        std::string line, got;
        while (std::getline(in, line))
            if (line.rfind(prefix, 0) == 0) got += line + "\n";
        return got;
    }

    // What the module's commands printed ("[...]" lines but its messages).
    static std::string results(const std::string& out) {
        std::string all = linesWith(out, "["), got;
        std::istringstream in(all);
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("[edtest]", 0) != 0) got += line + "\n";
        return got;
    }

    // Runs a Python program with Debian's ezdxf (the independent reader) and
    // gives what it prints; false when ezdxf is not installed.
    bool ezdxf(const std::string& program, const std::string& args, std::string& out) {
        if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) return false;
        fs::path py = dir_ / "oracle.py";
        std::ofstream(py, std::ios::binary) << "import sys, ezdxf\n" << program;
        std::string cmd = "cd '" + dir_.string() + "' && /usr/bin/python3 '" + py.string() + "' " + args + " > '" +
                          (dir_ / "py.txt").string() + "' 2>&1";
        int rc = std::system(cmd.c_str());
        out = readFile(dir_ / "py.txt");
        if (!WIFEXITED(rc) || WEXITSTATUS(rc) != 0) out += "\n(python failed)";
        return true;
    }

    fs::path dir_;
    fs::path registry_;
};

}  // namespace cadhosttest
