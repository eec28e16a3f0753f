// The cleanup module as a user runs it: cadhost (Shardex2025x64) and
// cadhost-narrow (Shardex2000, release 15) run its commands and LISP functions
// from scripts on drawings made for the purpose, and ezdxf reads what they saved.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Build {
    const char* name;
    const char* exe;
    const char* module;
    const char* options;  // the host release the module is built for
    bool wide;
};

const Build kWide{"wide", CADHOST_WIDE, SHARDEX_WIDE, "", true};
const Build kNarrow{"narrow", CADHOST_NARROW, SHARDEX_NARROW, "-r 15.0 ", false};

void PrintTo(const Build& b, std::ostream* os) {
    *os << b.name;
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool haveEzdxf() {
    static const bool have = std::system(PYTHON " -c 'import ezdxf' >/dev/null 2>&1") == 0;
    return have;
}

struct Result {
    int status = -1;
    std::string out;
};

// Runs a shell command in `dir`, standard output and error captured together.
Result shell(const fs::path& dir, const std::string& command) {
    fs::path out = dir / "shell.txt";
    std::string cmd = "cd '" + dir.string() + "' && " + command + " > '" + out.string() + "' 2>&1";
    int rc = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = readFile(out);
    return r;
}

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class Shardex : public ::testing::TestWithParam<Build> {
protected:
    // The drawings are made once; each test works on copies.
    static void SetUpTestSuite() {
        if (!haveEzdxf()) return;
        char tmpl[] = "/tmp/shardex-drawings-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        made_ = tmpl;
        Result r = shell(made_, PYTHON " '" SHARDEX_TEST_DIR "/make_drawings.py' .");
        ASSERT_EQ(r.status, 0) << r.out;
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        if (!made_.empty()) fs::remove_all(made_, ec);
    }

    void SetUp() override {
        if (!haveEzdxf()) GTEST_SKIP() << "needs /usr/bin/python3 with ezdxf";
        char tmpl[] = "/tmp/shardex-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        registry_ = dir_ / "registry.ini";
        for (const auto& f : fs::directory_iterator(made_)) fs::copy_file(f.path(), dir_ / f.path().filename());
        std::istringstream in(readFile(dir_ / "handles.txt"));
        std::string line;
        while (std::getline(in, line)) {
            auto eq = line.find('=');
            if (eq != std::string::npos) handles_[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    const Build& build() const { return GetParam(); }
    std::string h(const std::string& name) const { return handles_.at(name); }

    // Runs the build's host with `args` and a script; what it printed.
    Result run(const std::string& args, const std::string& script, const std::string& registry = "") {
        fs::remove(dir_ / "out.dxf");
        std::ofstream(dir_ / "script.scr", std::ios::binary) << script;
        return shell(dir_, "CADHOST_REGISTRY='" + (registry.empty() ? registry_.string() : registry) +
                               "' timeout 120 '" + build().exe + "' " + build().options + args + " -s script.scr");
    }
    // Loads the module and runs the script on a copy of `drawing`.
    Result runOn(const std::string& drawing, const std::string& script) {
        return run("-l '" + std::string(build().module) + "' '" + drawing + "'", script);
    }
    // What ezdxf reads of a saved drawing (read_back.py).
    std::string readBack(const std::string& file, const std::vector<std::string>& handles = {}) {
        std::string args;
        for (const std::string& x : handles) args += " " + x;
        Result r = shell(dir_, PYTHON " '" SHARDEX_TEST_DIR "/read_back.py' '" + file + "'" + args);
        EXPECT_EQ(r.status, 0) << r.out;
        return r.out;
    }
    // "proxies ..." as readBack prints it for the named proxies.
    std::string proxiesLine(std::vector<std::string> names) const {
        std::vector<std::string> hs;
        for (const std::string& n : names) hs.push_back(h(n));
        std::sort(hs.begin(), hs.end(), [](const std::string& a, const std::string& b) {
            return std::stoull(a, nullptr, 16) < std::stoull(b, nullptr, 16);
        });
        std::string line = "proxies";
        if (hs.empty()) line += " ";
        for (const std::string& x : hs) line += " " + x;
        return line + "\n";
    }
    // Saves the drawing as `file` (run() removes out.dxf beforehand).
    static std::string saveAs(const std::string& file) { return "SAVEAS\n\n" + file + "\n"; }

    static fs::path made_;
    fs::path dir_, registry_;
    std::map<std::string, std::string> handles_;
};

fs::path Shardex::made_;

// --- ExplodeAllProxy ------------------------------------------------------------------

TEST_P(Shardex, ExplodeAllProxyTurnsProxiesIntoPiecesInEveryBlock) {
    Result r = runOn("proxies.dxf", "ExplodeAllProxy\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    std::string got = readBack("out.dxf", {h("stuck")});
    EXPECT_TRUE(contains(got, "audit 0\n")) << got;
    EXPECT_TRUE(contains(got, "locked L1 L3\n")) << got;  // the proxy's layer L1 was unlocked and locked again
    // Paper space, and the nested blocks inserted twice: pieces on the proxy's layer.
    EXPECT_TRUE(contains(got, "block *Paper_Space: CIRCLE@P\nblock INNER: LINE@P\nblock OUTER: CIRCLE@P INSERT@0\n"))
        << got;
    if (build().wide) {
        // Full picture (line and circle), box outline, the stuck proxy's line (handed over),
        // the locked one's line; the proxy without a picture stays; the one whose picture
        // draws nothing is erased and gives nothing.
        EXPECT_TRUE(contains(r.out, "\nУдалено Proxy: 8 Новых объектов: 8\n")) << r.out;
        EXPECT_TRUE(contains(got, proxiesLine({"none", "data", "stuckdata", "loose"}))) << got;
        EXPECT_TRUE(contains(got, "block *Model_Space: ACAD_PROXY_ENTITY@P CIRCLE@P INSERT@0 INSERT@0 LINE@L1 LINE@P "
                                  "LINE@P LINE@Q POLYLINE@Q\n"
                                  "polyline Q lt=DASHED color=3 closed=1 3d=1 (0,0,5) (0,20,5) (10,20,5) (10,0,5)\n"))
            << got;
        EXPECT_TRUE(contains(got, "has " + h("stuck") + " no\n")) << got;
    } else {
        // Every proxy is exploded whatever its picture; no outlines; the stuck proxy stays,
        // its pieces are added all the same.
        EXPECT_TRUE(contains(r.out, "\nУдалено Proxy: 9 Новых объектов: 7\n")) << r.out;
        EXPECT_TRUE(contains(got, proxiesLine({"stuck", "data", "stuckdata", "loose"}))) << got;
        EXPECT_TRUE(contains(got, "block *Model_Space: ACAD_PROXY_ENTITY@P CIRCLE@P INSERT@0 INSERT@0 LINE@L1 LINE@P "
                                  "LINE@P LINE@Q\n"))
            << got;
    }
}

TEST_P(Shardex, ExplodeAllProxyWithoutProxiesChangesNothing) {
    Result r = runOn("plain.dxf", "ExplodeAllProxy\nExplodeAllProxy\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\nУдалено Proxy: 0 Новых объектов: 0\nCommand: ExplodeAllProxy\n"
                                "Удалено Proxy: 0 Новых объектов: 0\n"))
        << r.out;
    std::string got = readBack("out.dxf");
    EXPECT_TRUE(contains(got, "audit 0\nproxies \nlocked L1 L3\nblock *Model_Space: CIRCLE@L2 LINE@L1\n")) << got;
}

TEST_P(Shardex, CommandEchoOffSilencesOnlyTheOlderBuild) {
    Result r = runOn("proxies.dxf", "SETVAR\nCMDECHO\n0\nExplodeAllProxy\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(contains(r.out, "Удалено Proxy:"), build().wide) << r.out;
    // The work is done either way.
    EXPECT_TRUE(contains(readBack("out.dxf"), "block INNER: LINE@P\n"));
}

// --- LISP functions -----------------------------------------------------------------------

TEST_P(Shardex, LispFunctionsAnswerEveryCaseOfTheirTables) {
    struct Call {
        std::string expr, result;
    };
    const std::vector<Call> calls = {
        {"(explodeallproxyinblock)", "-1"},                               // no argument
        {"(explodeallproxyinblock \"NOSUCH\")", "-2"},                    // no such block
        {"(explodeallproxyinblock 5)", "nil"},                            // neither name nor entity: no value
        {"(explodeallproxyinblock (handent \"" + h("rootdict") + "\"))", "-2"},  // not an entity
        {"(shardexentity)", "-1"},
        {"(shardexentity \"x\")", "-1"},
        {"(shardexentity (handent \"" + h("line") + "\"))", "-2"},     // not a proxy
        {"(shardexentity (handent \"" + h("box") + "\"))", "-3"},      // box only: not exploded
        {"(shardexentity (handent \"" + h("none") + "\"))", "-3"},     // no picture
        {"(shardexentity (handent \"" + h("locked") + "\"))", "-2"},   // on a locked layer
        {"(shardexentity (handent \"" + h("stuck") + "\"))", "-4"},    // erase refused
        {"(shardexentity (handent \"" + h("full") + "\"))", "0"},
        {"(explodeallproxyinblock \"*Model_Space\")", "0"},
        {"(explodeallproxyinblock (handent \"" + h("inner") + "\"))", "0"},  // the block of an entity
        {"(explodeallproxyinblock \"outer\")", "0"},                    // names without regard to case
    };
    std::string script;
    for (const Call& c : calls) script += c.expr + "\n";
    Result r = runOn("proxies.dxf", script + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    for (const Call& c : calls)
        EXPECT_TRUE(contains(r.out, "Command: " + c.expr + "\n" + c.result + "\nCommand: ")) << c.expr << "\n" << r.out;
    std::string got = readBack("out.dxf", {h("stuck"), h("full")});
    // The LISP functions leave locked layers alone: the proxy on L1 stays.
    EXPECT_TRUE(contains(got, "locked L1 L3\n")) << got;
    EXPECT_TRUE(contains(got, "block INNER: LINE@P\nblock OUTER: CIRCLE@P INSERT@0\n")) << got;
    EXPECT_TRUE(contains(got, "block *Paper_Space: ACAD_PROXY_ENTITY@P\n")) << got;
    if (build().wide) {
        EXPECT_TRUE(contains(got, proxiesLine({"none", "locked", "paper", "data", "stuckdata", "loose"}))) << got;
        EXPECT_TRUE(contains(got, "has " + h("stuck") + " no\nhas " + h("full") + " no\n")) << got;
    } else {
        // The stuck proxy stays (and the block walk explodes it again); the box and the
        // proxy without a picture go.
        EXPECT_TRUE(contains(got, proxiesLine({"stuck", "locked", "paper", "data", "stuckdata", "loose"}))) << got;
    }
}

// --- RemoveAllProxy ---------------------------------------------------------------------

TEST_P(Shardex, RemoveAllProxyErasesEveryProxyWhereverItIs) {
    std::vector<std::pair<std::string, bool>> answers = {{"Да", true}, {"Yes", true}, {"", true},
                                                         {"Нет", false}, {"No", false}, {"^C", false}};
    if (!build().wide) answers = {{"", false}};
    for (const auto& [answer, reset] : answers) {
        SCOPED_TRACE("answer <" + answer + ">");
        fs::copy_file(dir_ / "proxies.dxf", dir_ / "work.dxf", fs::copy_options::overwrite_existing);
        std::string script = "RemoveAllProxy\n" + (build().wide ? answer + "\n" : std::string()) + saveAs("out.dxf");
        Result r = runOn("work.dxf", script);
        ASSERT_EQ(r.status, 0) << r.out;
        // The scan starts at the lowest handle in use (ezdxf gives the block table handle 9).
        std::string expected = "\nПервая метка объекта: <1>, последняя метка объекта: <";
        EXPECT_TRUE(contains(r.out, expected)) << r.out;
        std::string found = "\nВсего найдено proxy-объектов: 12. Из них proxy-примитивов: 9.\n";
        std::string removed = "Всего удалено proxy-объектов: 12. Из них proxy-примитивов: 9.\n"
                              "Для проверки ошибок выполните команду _AUDIT\n";
        if (build().wide)
            EXPECT_TRUE(contains(r.out, found + "Очистить список масштабов? [Да/Нет] <Да>: " +
                                            (answer == "^C" ? "^C*Cancel*" : answer) + "\n" + removed))
                << r.out;
        else
            EXPECT_TRUE(contains(r.out, found + removed)) << r.out;
        std::string got = readBack("out.dxf", {h("stuck"), h("stuckdata")});
        EXPECT_TRUE(contains(got, "audit 0\nproxies \nlocked L1 L3\n"
                                  "block *Model_Space: INSERT@0 INSERT@0 LINE@Q\nblock *Paper_Space: \n"
                                  "block INNER: \nblock OUTER: INSERT@0\n"))
            << got;
        // Handed over: the handles hold erased replacements, which are not saved.
        EXPECT_TRUE(contains(got, "has " + h("stuck") + " no\nhas " + h("stuckdata") + " no\n")) << got;
        // ezdxf's new drawing has an empty scale list; the reset fills it.
        EXPECT_EQ(contains(got, "scales 0\n"), !reset) << got;
    }
}

TEST_P(Shardex, RemoveAllProxyScansSparseAndHugeHandlesAtOnce) {
    std::string script = "RemoveAllProxy\n" + std::string(build().wide ? "No\n" : "") + saveAs("out.dxf");
    Result r = runOn("sparse.dxf", script);
    ASSERT_EQ(r.status, 0) << r.out;
    // The block table's handle is 9000 here, but handles below it are in use (one of them a
    // proxy): the scan starts at the lowest.
    EXPECT_TRUE(contains(r.out, "\nПервая метка объекта: <1>, последняя метка объекта: <7FFFFFFFFFFFFFFF>\n"
                                "Всего найдено proxy-объектов: 4. Из них proxy-примитивов: 3.\n"))
        << r.out;
    EXPECT_TRUE(contains(r.out, "\nВсего удалено proxy-объектов: 4. Из них proxy-примитивов: 3.\n")) << r.out;
    std::string got = readBack("out.dxf", {h("sparse1"), h("sparse4")});
    EXPECT_TRUE(contains(got, "audit 0\nproxies \nlocked L1\n")) << got;
    EXPECT_TRUE(contains(got, "has 100 no\nhas 7FFFFFFFFFFFFFF0 no\n")) << got;
}

TEST_P(Shardex, RemoveAllProxyWithoutProxies) {
    std::string script = "RemoveAllProxy\n" + std::string(build().wide ? "Нет\n" : "") + saveAs("out.dxf");
    Result r = runOn("plain.dxf", script);
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\nВсего найдено proxy-объектов: 0. Из них proxy-примитивов: 0.\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nВсего удалено proxy-объектов: 0. Из них proxy-примитивов: 0.\n")) << r.out;
    EXPECT_TRUE(contains(readBack("out.dxf"), "locked L1 L3\nblock *Model_Space: CIRCLE@L2 LINE@L1\n"));
}

// --- Module frame ---------------------------------------------------------------------------

TEST_P(Shardex, CommandsOfEachBuildAndTheirRemovalOnUnload) {
    std::string module = fs::path(build().module).filename().string();
    Result r = runOn("plain.dxf", "ARXUNLOAD\n" + module + "\nARXLOAD\n" + build().module +
                                      "\nExplodeAllProxy\n(shardexentity)\nRemoveExtents\n\n\n");
    EXPECT_TRUE(contains(r.out, module + " unloaded.")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nУдалено Proxy: 0 Новых объектов: 0\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "Command: (shardexentity)\n-1\n")) << r.out;
    if (build().wide) {
        EXPECT_TRUE(contains(r.out, "Нечего удалять!")) << r.out;
        EXPECT_EQ(r.status, 0) << r.out;
    } else {
        // The older build has no RemoveExtents and writes no demand-load entry.
        EXPECT_TRUE(contains(r.out, "Unknown command \"RemoveExtents\"")) << r.out;
        EXPECT_FALSE(fs::exists(registry_));
    }
}

TEST_P(Shardex, LispFunctionsAreDefinedForEveryOpenedDrawing) {
    Result r = runOn("plain.dxf", "OPEN\nproxies.dxf\n(shardexentity (handent \"" + h("full") + "\"))\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\n0\n")) << r.out;
}

// --- Real drawings -----------------------------------------------------------------------------

// The corpus drawings that hold proxy entities or proxy objects.
std::vector<std::string> corpusWithProxies() {
    const char* env = std::getenv("ARX_CORPUS_DIR");
    fs::path root = env && *env ? fs::path(env) : fs::path(SHARDEX_CORPUS);
    std::vector<std::string> found;
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return found;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path().extension() != ".dxf" || it->file_size() > (8u << 20)) continue;
        std::string text = readFile(it->path());
        if (contains(text, "\nACAD_PROXY_ENTITY") || contains(text, "\nACAD_PROXY_OBJECT"))
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    return found;
}

int countAfter(const std::string& out, const std::string& prefix) {
    auto at = out.find(prefix);
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + prefix.size());
}

TEST_P(Shardex, RealDrawingsAreCleanedOfEveryProxy) {
    std::vector<std::string> files = corpusWithProxies();
    if (files.empty()) GTEST_SKIP() << "no corpus drawings with proxies";
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        fs::copy_file(file, dir_ / "real.dxf", fs::copy_options::overwrite_existing);
        std::string before = readBack("real.dxf");
        std::string script = "ExplodeAllProxy\nRemoveAllProxy\n" + std::string(build().wide ? "No\n" : "") +
                             saveAs("out.dxf");
        Result r = runOn("real.dxf", script);
        ASSERT_EQ(r.status, 0) << r.out;
        int found = countAfter(r.out, "Всего найдено proxy-объектов: ");
        EXPECT_GT(found, 0) << r.out;
        // Every proxy ezdxf sees is exploded or found (records of was-a-proxy classes come on top).
        auto proxiesAt = before.find("\nproxies ");
        std::string listed = before.substr(proxiesAt + 9, before.find('\n', proxiesAt + 1) - proxiesAt - 9);
        int exploded = countAfter(r.out, "Удалено Proxy: ");
        EXPECT_GE(exploded + found,
                  static_cast<int>(std::count(listed.begin(), listed.end(), ' ') + (listed.empty() ? 0 : 1)))
            << before;
        EXPECT_EQ(countAfter(r.out, "Всего удалено proxy-объектов: "), found) << r.out;
        std::string after = readBack("out.dxf");
        EXPECT_TRUE(contains(after, "\nproxies \n")) << after;
        // ezdxf finds no more faults than it found in the original.
        EXPECT_LE(countAfter(after, "audit "), countAfter(before, "audit ")) << before << after;
        // Locked layers end as they began.
        auto lockedLine = [](const std::string& s) {
            auto at = s.find("\nlocked");
            return s.substr(at, s.find('\n', at + 1) - at);
        };
        EXPECT_EQ(lockedLine(after), lockedLine(before));
    }
}

// --- The newer build only: RemoveExtents and demand loading ----------------------------------

class ShardexWide : public Shardex {};

TEST_P(ShardexWide, RemoveExtentsMovesWhatLiesOutsideTheBoxIntoAFile) {
    // Enter at both prompts: the box of +-1e10; only the line reaching 2e10 is outside. The
    // file prompt offers the host's drawing extension; a typed name gets it.
    Result r = runOn("box.dxf", "RemoveExtents\n\n\ncut\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\nУкажите минимальную точку рамки <(-1e10,-1e10,-1e10)>: \n"
                                "Укажите максимальную точку рамки <(1e10,1e10,1e10)>: \n"
                                "Файл для сохранения удаленных примитивов: <deleted.dxf>: cut\n"
                                "Отобрано для удаления: 1\nУдалено: 1\n"))
        << r.out;
    EXPECT_TRUE(contains(readBack("cut.dxf", {h("huge")}), "block *Model_Space: LINE@0\n"));
    std::string got = readBack("out.dxf", {h("huge"), h("touching")});
    EXPECT_TRUE(contains(got, "has " + h("huge") + " no\nhas " + h("touching") + " yes\n")) << got;

    // A box of zero height at z = 0, given either way round: the flat line touching its faces
    // stays; the raised one, the one outside and the one on the locked layer go.
    for (const std::string& corners : {std::string("0,0,0\n10,10,0\n"), std::string("10,10,0\n0,0,0\n")}) {
        SCOPED_TRACE(corners);
        fs::remove(dir_ / "deleted.dxf");
        r = runOn("box.dxf", "RemoveExtents\n" + corners + "\n" + saveAs("out.dxf"));
        ASSERT_EQ(r.status, 0) << r.out;
        EXPECT_TRUE(contains(r.out, "\nОтобрано для удаления: 4\nУдалено: 4\n")) << r.out;
        got = readBack("deleted.dxf");
        EXPECT_TRUE(contains(got, "block *Model_Space: LINE@0 LINE@0 LINE@0 LINE@L1\n")) << got;
        got = readBack("out.dxf", {h("touching")});
        EXPECT_TRUE(contains(got, "locked L1\nblock *Model_Space: LINE@0\n")) << got;
        EXPECT_TRUE(contains(got, "has " + h("touching") + " yes\n")) << got;
    }

    // (0,10,0) and (10,0,0) are exchanged whole: no extents lie inside, all five go.
    r = runOn("box.dxf", "RemoveExtents\n0,10,0\n10,0,0\nall\n");
    EXPECT_TRUE(contains(r.out, "\nОтобрано для удаления: 5\nУдалено: 5\n")) << r.out;
    EXPECT_TRUE(contains(readBack("all.dxf"), "block *Model_Space: LINE@0 LINE@0 LINE@0 LINE@0 LINE@L1\n"));
}

TEST_P(ShardexWide, RemoveExtentsCancelFailedSaveAndNothingToRemove) {
    // A cancelled file prompt is the user's choice: the selection is erased, nothing written.
    Result r = runOn("box.dxf", "RemoveExtents\n0,0,0\n10,10,0\n^C\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\nОтобрано для удаления: 4\nУдалено: 4\n")) << r.out;
    EXPECT_FALSE(fs::exists(dir_ / "deleted.dxf"));
    EXPECT_TRUE(contains(readBack("out.dxf"), "block *Model_Space: LINE@0\n"));

    // A save that fails (a file name longer than the system allows) keeps the entities:
    // they are nowhere else.
    r = runOn("box.dxf", "RemoveExtents\n0,0,0\n10,10,0\n" + std::string(300, 'x') + "\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "\nОшибка saveas=e")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nОтобрано для удаления: 4\nУдалено: 0\n")) << r.out;
    std::string got = readBack("out.dxf");
    EXPECT_TRUE(contains(got, "locked L1\nblock *Model_Space: LINE@0 LINE@0 LINE@0 LINE@0 LINE@L1\n")) << got;

    // Cancel at either prompt ends the command before anything happens.
    r = runOn("box.dxf", "RemoveExtents\n^C\nRemoveExtents\n0,0,0\n^C\n");
    EXPECT_FALSE(contains(r.out, "Отобрано")) << r.out;
    EXPECT_FALSE(contains(r.out, "Нечего")) << r.out;

    // Nothing reaches beyond 1e10 here.
    r = runOn("plain.dxf", "RemoveExtents\n\n\n" + saveAs("out.dxf"));
    EXPECT_TRUE(contains(r.out, "\nНечего удалять!\n")) << r.out;
    EXPECT_TRUE(contains(readBack("out.dxf"), "locked L1 L3\n"));
}

TEST_P(ShardexWide, DemandLoadEntryLoadsTheModuleOnItsCommand) {
    Result r = runOn("plain.dxf", "");
    ASSERT_EQ(r.status, 0) << r.out;
    std::string reg = readFile(registry_);
    EXPECT_TRUE(contains(reg, "[Shardex2025x64]\nDESCRIPTION=Shardex2025x64\nLOADER=" +
                                  fs::canonical(SHARDEX_WIDE).string() +
                                  "\nLOADCTRLS=4\nCOMMAND=EXPLODEALLPROXY EXPLODEALLPROXY\n"
                                  "COMMAND=REMOVEALLPROXY REMOVEALLPROXY\nCOMMAND=REMOVEEXTENTS REMOVEEXTENTS\n"))
        << reg;
    // Not loaded: typing the command loads the module and runs it.
    r = run("proxies.dxf", "RemoveAllProxy\nNo\n" + saveAs("out.dxf"));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "Loading Shardex2025x64 for the command RemoveAllProxy...")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nВсего удалено proxy-объектов: 12. Из них proxy-примитивов: 9.\n")) << r.out;
    EXPECT_TRUE(contains(readBack("out.dxf"), "\nproxies \n"));
}

TEST_P(ShardexWide, FailedRegistryWriteIsShownAndTheCommandsWorkAllTheSame) {
    std::string module = fs::canonical(SHARDEX_WIDE).string();
    // A file stands where the registry's folder would have to be.
    Result r = run("-l '" + module + "' plain.dxf", "ExplodeAllProxy\nRemoveAllProxy\nNo\nRemoveExtents\n\n\n",
                   (dir_ / "plain.dxf" / "reg.ini").string());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(contains(r.out, "Невозможно зарегистрировать приложение \"" + module + "\"")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nУдалено Proxy: 0 Новых объектов: 0\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nВсего удалено proxy-объектов: 0. Из них proxy-примитивов: 0.\n")) << r.out;
    EXPECT_TRUE(contains(r.out, "\nНечего удалять!\n")) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Builds, Shardex, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });
INSTANTIATE_TEST_SUITE_P(Builds, ShardexWide, ::testing::Values(kWide),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
