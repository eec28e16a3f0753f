// A model space whose block record has another name (LibreDWG's R14 files
// call it "*U") is found by its place, first in the block record table, and
// written as *Model_Space, so that every reader finds its entities.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/core/dxfio.h"
#include "tests/common/corpus.h"

namespace {

namespace fs = std::filesystem;

std::string readText(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// Runs a Python program with ezdxf; its output, or "(no ezdxf)".
std::string python(const std::string& program, const fs::path& arg) {
    if (std::system("/usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1") != 0) return "(no ezdxf)";
    const fs::path script = fs::temp_directory_path() / ("ms-" + std::to_string(getpid()) + ".py");
    std::ofstream(script) << "import sys, ezdxf\n" << program;
    std::string cmd = "/usr/bin/python3 '" + script.string() + "' '" + arg.string() + "' 2>&1";
    std::string out;
    if (std::FILE* p = ::popen(cmd.c_str(), "r")) {
        char buf[512];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    fs::remove(script);
    return out;
}

std::size_t entitiesOf(const hostcore::Entry* space) {
    std::size_t n = 0;
    if (space && space->block)
        for (const hostcore::Entry* e = space->block->first; e; e = e->next) n += !e->erased();
    return n;
}

// Loads `text`, checks the model space, saves, and asks ezdxf what it finds.
void check(const std::string& text, std::size_t entities, const fs::path& out) {
    hostcore::Drawing d;
    std::string error;
    ASSERT_TRUE(hostcore::loadDxf(d, text, error)) << error;
    ASSERT_NE(d.modelSpace, nullptr);
    EXPECT_EQ(d.nameOf(d.modelSpace), "*Model_Space");
    EXPECT_EQ(entitiesOf(d.modelSpace), entities);
    hostcore::SaveOptions o;
    o.acadver = "AC1015";
    std::string saved;
    ASSERT_TRUE(hostcore::saveDxf(d, o, saved, error)) << error;
    std::ofstream(out, std::ios::binary) << saved;
    std::string got = python("d = ezdxf.readfile(sys.argv[1])\n"
                             "print(len(d.modelspace()), '*Model_Space' in d.block_records, len(d.audit().errors))\n",
                             out);
    if (got == "(no ezdxf)") GTEST_SKIP() << "ezdxf is not installed";
    EXPECT_EQ(got, std::to_string(entities) + " True 0\n");
}

TEST(ModelSpace, FoundByItsPlaceWhenNamedOtherwise) {
    const fs::path dir = fs::temp_directory_path() / ("ms-" + std::to_string(getpid()));
    fs::create_directories(dir);
    std::string made = python("d = ezdxf.new('R2000')\n"
                              "m = d.modelspace()\n"
                              "for i in range(3): m.add_line((i, 0), (i, 1))\n"
                              "d.saveas(sys.argv[1])\n",
                              dir / "made.dxf");
    if (made == "(no ezdxf)") GTEST_SKIP() << "ezdxf is not installed";
    ASSERT_EQ(made, "");
    std::string text = readText(dir / "made.dxf");
    // Every mention of the name, in the record and in its BLOCK.
    std::size_t renamed = 0;
    for (auto at = text.find("\n*Model_Space\n"); at != std::string::npos; at = text.find("\n*Model_Space\n", at)) {
        text.replace(at, 14, "\n*U\n");
        ++renamed;
    }
    ASSERT_GE(renamed, 2u);
    check(text, 3, dir / "out.dxf");
    fs::remove_all(dir);
}

TEST(ModelSpace, LibreDwgR14File) {
    const fs::path file = fs::path(arxtest::corpusDir()) / "libredwg/test/test-data/example_r14.dxf";
    if (!fs::exists(file)) GTEST_SKIP() << "corpus file not present";
    const fs::path out = fs::temp_directory_path() / ("ms-r14-" + std::to_string(getpid()) + ".dxf");
    check(readText(file), 67, out);
    fs::remove(out);
}

}  // namespace
