// Helpers shared by the interface tests: host strings in both builds, a
// temporary folder, the corpus and the ezdxf oracle.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/common/corpus.h"
#include "host/arx.h"
#include "platform/codepage.h"
#include "platform/utf8.h"

using HStr = std::basic_string<ACHAR>;

// A host string handed over by a getter, released here.
inline HStr take(ACHAR* s) {
    HStr r = s ? HStr(s) : HStr();
    acStrFree(s);
    return r;
}

// Lone surrogates keep their own three-byte form.
inline std::string utf16ToUtf8(const std::u16string& w) { return platform::utf16ToUtf8(w); }

inline std::u16string utf8ToUtf16(const std::string& s) { return platform::utf8ToUtf16(s); }

// Host string <-> UTF-8 (the narrow build goes through the ANSI code page).
inline std::string u8(const HStr& s) {
#ifdef ARX_NARROW
    std::u16string w(s.size(), u'\0');
    if (!s.empty())
        MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), w.data(), static_cast<int>(w.size()));
    return utf16ToUtf8(w);
#else
    return utf16ToUtf8(s);
#endif
}
inline std::string u8(const ACHAR* s) { return u8(s ? HStr(s) : HStr()); }

inline HStr host(const std::string& utf8) {
    std::u16string w = utf8ToUtf16(utf8);
#ifdef ARX_NARROW
    std::string out(w.size() * 2 + 1, '\0');
    int n = w.empty() ? 0
                      : WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), out.data(),
                                            static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(n > 0 ? n : 0));
    return out;
#else
    return w;
#endif
}
// From a u8"" literal: literals of the narrow build are in code page 1251, so
// texts outside ASCII are written as UTF-8 literals and converted here.
inline HStr host(const char8_t* utf8) { return host(std::string(reinterpret_cast<const char*>(utf8))); }

// A UTF-8 std::string from a u8"" literal, for comparing with u8().
inline std::string U8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

struct TempDir {
    std::string path;
    TempDir() {
        char tmpl[] = "/tmp/arxhost-test-XXXXXX";
        path = ::mkdtemp(tmpl);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    std::string file(const std::string& name) const { return path + "/" + name; }
};

inline std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline void writeAll(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// Path of a corpus file, or empty when the corpus is not there.
inline std::string corpusFile(const std::string& rel) {
    std::string p = arxtest::corpusDir() + "/" + rel;
    return std::filesystem::exists(p) ? p : std::string();
}

// Runs a shell command and gives what it printed; `ok` says whether it exited with 0.
inline std::string runCommand(const std::string& cmd, bool& ok) {
    std::string out;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) {
        ok = false;
        return out;
    }
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ok = ::pclose(p) == 0;
    return out;
}

// Runs a Python script (ezdxf as the independent reader); returns its
// standard output, or sets ok to false.
inline std::string runPython(const std::string& script, const std::string& arg, bool& ok) {
    TempDir dir;
    const std::string file = dir.file("check.py");
    writeAll(file, script);
    const std::string cmd = std::string(ARX_PYTHON) + " " + file + " '" + arg + "' 2>&1";
    return runCommand(cmd, ok);
}

inline bool haveEzdxf() {
    bool ok = false;
    runPython("import ezdxf\n", "", ok);
    return ok;
}

#define SKIP_WITHOUT_EZDXF() \
    if (!haveEzdxf()) GTEST_SKIP() << "ezdxf is not installed"

// Opens and closes objects in a scope.
template <class T>
struct Opened {
    T* p = nullptr;
    Acad::ErrorStatus es;
    Opened(AcDbObjectId id, AcDb::OpenMode mode) { es = acdbOpenObject(p, id, mode); }
    ~Opened() {
        if (p) p->close();
    }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// Appends a new entity to the model space of `db` and closes it.
inline AcDbObjectId append(AcDbDatabase& db, AcDbEntity* e) {
    AcDbBlockTableRecord* ms = nullptr;
    EXPECT_EQ(acdbOpenObject(ms, db.currentSpaceId(), AcDb::kForWrite), Acad::eOk);
    AcDbObjectId id;
    EXPECT_EQ(ms->appendAcDbEntity(id, e), Acad::eOk);
    e->close();
    ms->close();
    return id;
}
