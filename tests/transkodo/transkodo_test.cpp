// The recoding module end to end: cadhost (Transkodo2018x32.arx) and
// cadhost-narrow (Transkodo2006.arx) run scripts on drawings made with ezdxf
// and on real drawings; the command line is checked line by line and the saved
// drawings are read back with ezdxf.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "host/ui/afxwin.h"
#include "tests/common/corpus.h"

namespace fs = std::filesystem;

namespace {

struct Build {
    const char* name;
    const char* exe;
    const char* module;
    const char* args;     // the host release the module is made for
    const char* current;  // the current-drawing command
    int optionAnswers;    // prompts of the options dialog, OK included
};

const Build kWide{"wide", CADHOST_WIDE, "Transkodo2018x32.arx", "-r 22.0", "TranskodoCP", 9};
const Build kNarrow{"narrow", CADHOST_NARROW, "Transkodo2006.arx", "", "Transkodo", 5};

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
    static const int ok =
        std::system("cd /tmp && /usr/bin/python3 -c 'import ezdxf' >/dev/null 2>&1");
    return ok == 0;
}

// The lines of `out` that contain `needle`, in order.
std::string linesWith(const std::string& out, const std::string& needle) {
    std::istringstream in(out);
    std::string line, got;
    while (std::getline(in, line))
        if (line.find(needle) != std::string::npos) got += line + "\n";
    return got;
}

class Transkodo : public ::testing::TestWithParam<Build> {
  protected:
    void SetUp() override {
        if (!haveEzdxf()) GTEST_SKIP() << "ezdxf is not installed for /usr/bin/python3";
        char tmpl[] = "/tmp/transkodo-test-XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        for (const fs::path& p : immutable_)
            std::system(("chattr -i '" + p.string() + "' 2>/dev/null").c_str());
        std::error_code ec;
        if (!dir_.empty()) {
            for (auto& e : fs::recursive_directory_iterator(dir_, ec))
                fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
            fs::remove_all(dir_, ec);
        }
    }

    std::string module(const std::string& file = "") const {
        return std::string(BIN_DIR) + "/" + (file.empty() ? GetParam().module : file);
    }

    // Runs the build's host with the module, `extra` arguments and the script.
    std::string run(const std::string& script, const std::string& drawings,
                    const std::string& extra = "", int* status = nullptr) {
        std::ofstream(dir_ / "script.scr", std::ios::binary) << script;
        std::string cmd = "cd '" + dir_.string() + "' && CADHOST_REGISTRY='" +
                          (dir_ / "registry.ini").string() + "' '" + GetParam().exe + "' " +
                          (extra.empty() ? GetParam().args : extra) + " -l '" + module() +
                          "' -s script.scr " + drawings + " > out.txt 2>&1";
        int rc = std::system(cmd.c_str());
        if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        return readFile(dir_ / "out.txt");
    }

    // Runs the test's drawing script (drawings.py) and gives what it prints.
    std::string python(const std::string& args) {
        std::string cmd = "cd '" + dir_.string() + "' && /usr/bin/python3 '" +
                          std::string(TEST_DIR) + "/drawings.py' " + args + " > py.txt 2>&1";
        int rc = std::system(cmd.c_str());
        std::string out = readFile(dir_ / "py.txt");
        EXPECT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << args << "\n" << out;
        return out;
    }

    // Makes the test drawing; gives the handles of what the tests pick.
    std::map<std::string, std::string> make(const std::string& file,
                                            const std::string& form = "dos") {
        std::istringstream in(python("make " + file + " " + form));
        std::map<std::string, std::string> handles;
        std::string name, handle;
        while (in >> name >> handle)
            handles[name] = handle;
        return handles;
    }

    std::string dump(const std::string& file) { return python("dump '" + file + "'"); }

    // Answers to the options dialog: the direction, then `checks` for the
    // check boxes (missing ones keep their value), then OK.
    std::string options(const std::string& mode = "", std::vector<std::string> checks = {}) const {
        std::string s = mode + "\n";
        for (int i = 0; i < GetParam().optionAnswers - 2; ++i)
            s += (i < static_cast<int>(checks.size()) ? checks[static_cast<std::size_t>(i)] : "") +
                 "\n";
        return s + "\n";
    }
    bool narrow() const { return std::string(GetParam().name) == "narrow"; }
    // What a whole-drawing "Dos -> Windows" makes of the test drawing: the
    // older build leaves texts on locked layers alone.
    const char* expectedForm() const { return narrow() ? "locked-dos" : "plain"; }
    // Makes a file or folder one that no save can replace or add to; false where
    // the system does not allow it.
    bool makeImmutable(const fs::path& p) {
        immutable_.push_back(p);
        return std::system(("chattr +i '" + p.string() + "' 2>/dev/null").c_str()) == 0;
    }

    fs::path dir_;
    std::vector<fs::path> immutable_;
};

// What a whole-drawing run prints after the dialog: one line per step, in order
// (the older build has no raster step).
std::string progress(bool narrow) {
    std::string out;
    for (const char* step :
         {"типов линий", "слоев", "ПСК", "приложений", "групп", "форматов", "текстовых стилей",
          "размерных стилей", "видов", "видовых экранов", "стилей таблиц", "стилей мультилиний"})
        out += std::string("Обрабатываются имена ") + step + "...готово.\n";
    out +=
        "Обрабатываются свойства чертежа...готово.\n"
        "Обрабатываются текстовые примитивы и имена блоков...готово.\n";
    if (!narrow) out += "Обрабатываются пути растровых файлов...готово.\n";
    return out;
}

// --- module files ---------------------------------------------------------------------
// Each module is looked at in a process of its own (CTest runs every case alone), so
// that the two builds' libraries never meet in one process.
struct ModuleFile {
    const char* name;
    const char* file;
    int version;
    bool ptp;
};

void PrintTo(const ModuleFile& m, std::ostream* os) {
    *os << m.name;
}

class TranskodoModule : public ::testing::TestWithParam<ModuleFile> {
  protected:
    void SetUp() override {
        std::string path = std::string(BIN_DIR) + "/" + GetParam().file;
        handle_ = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle_) dlclose(handle_);
    }
    void* handle_ = nullptr;
};

// The exports: entry points, templates, the older build's pointer-table export;
// the generation each build declares; codes beyond the host's messages.
TEST_P(TranskodoModule, Exports) {
    const ModuleFile& m = GetParam();
    EXPECT_NE(dlsym(handle_, "acrxEntryPoint"), nullptr);
    EXPECT_NE(dlsym(handle_, ARX_DIALOG_RESOURCES_NAME), nullptr);
    EXPECT_EQ(dlsym(handle_, "_SetacrxPtp") != nullptr, m.ptp);
    EXPECT_EQ(dlsym(handle_, "recodeDrawing"), nullptr) << "the walk stays inside the module";
    auto version = reinterpret_cast<int (*)()>(dlsym(handle_, "acrxGetApiVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), m.version);
    // Answered with 0 without touching anything (no host is there to touch).
    auto entry = reinterpret_cast<int (*)(int, void*)>(dlsym(handle_, "acrxEntryPoint"));
    for (int code : {16, 99, -1})
        EXPECT_EQ(entry(code, nullptr), 0) << code;
}

// The templates' geometry: size, then each control's id and box in dialog units, in
// order (texts are checked where the host shows the forms).
TEST_P(TranskodoModule, DialogTemplates) {
    std::map<int, std::string> layout;
    auto table =
        static_cast<const ArxDialogTemplate* const*>(dlsym(handle_, ARX_DIALOG_RESOURCES_NAME));
    for (; table && *table; ++table) {
        const ArxDialogTemplate& t = **table;
        std::string& s = layout[t.id];
        s = std::to_string(t.w) + "x" + std::to_string(t.h);
        for (int i = 0; i < t.controlCount; ++i) {
            const ArxDialogControl& k = t.controls[i];
            s += " " + std::to_string(k.id) + ":" + std::to_string(k.x) + "," +
                 std::to_string(k.y) + "," + std::to_string(k.w) + "," + std::to_string(k.h);
        }
    }
    const bool narrow = GetParam().ptp;
    EXPECT_EQ(layout[101],
              narrow ? "142x133 -1:13,13,116,26 1001:20,23,103,74 -1:13,41,116,64 1003:19,55,91,10 "
                       "1004:19,69,103,10 1002:19,83,90,10 1:21,114,37,14 2:84,114,37,14"
                     : "214x131 -1:13,13,187,26 1001:20,23,173,74 -1:13,41,187,68 1003:19,53,91,10 "
                       "1004:19,67,87,10 1002:19,80,87,10 1005:19,93,78,10 1006:111,53,80,10 "
                       "1007:111,67,84,10 1008:111,80,84,10 1:48,112,37,14 2:129,112,37,14");
    EXPECT_EQ(layout[102], "142x70 -1:13,13,116,26 1001:20,23,103,74 1:21,51,37,14 2:84,51,37,14");
}

INSTANTIATE_TEST_SUITE_P(
    Files, TranskodoModule,
    ::testing::Values(ModuleFile{"wide", "Transkodo2018x32.arx", 0x160000, false},
                      ModuleFile{"narrow", "Transkodo2006.arx", 0x100000, true}),
    [](const ::testing::TestParamInfo<ModuleFile>& p) { return std::string(p.param.name); });

// --- registration ------------------------------------------------------------------------
// The second name of the current-drawing command exists below release 18.2
// only; unload removes every command. The module built for release 22 is
// refused by an older host.
TEST_P(Transkodo, CommandsByHostRelease) {
    make("d.dxf");
    if (narrow()) {
        // Three commands, no TranskodoCP, no LISP function; unload removes them.
        std::string out =
            run("TranskodoCP\nTranskodo\n^C\nTranskodoStr\n^C\nTranskodoFiles\n^C\n(setlocalid)\n"
                "ARXUNLOAD\nTranskodo2006.arx\nTranskodo\nTranskodoStr\nTranskodoFiles\n",
                "d.dxf");
        for (const char* shown :
             {"Command: TranskodoCP\nUnknown command \"TranskodoCP\"",
              "Command: Transkodo\nTranskodo:\n", "Command: TranskodoStr\nTranskodoStr:\n",
              "Command: TranskodoFiles\nTranskodo:\n", "no function definition: setlocalid",
              "Command: Transkodo\nUnknown command", "Command: TranskodoStr\nUnknown command",
              "Command: TranskodoFiles\nUnknown command"})
            EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;
        return;
    }
    const std::string script = "Transkodo\n^C\nTranskodoCP\n^C\nARXUNLOAD\n" +
                               std::string("transkodo_r18.arx") +
                               "\nTranskodo\nTranskodoCP\nTranskodoFiles\nTranskodoStr\n";
    auto runAt = [&](const std::string& release) {
        std::ofstream(dir_ / "script.scr", std::ios::binary) << script;
        std::string cmd = "cd '" + dir_.string() + "' && CADHOST_REGISTRY=registry.ini '" +
                          GetParam().exe + "' -r " + release + " -l '" +
                          module("transkodo_r18.arx") + "' -s script.scr d.dxf > out.txt 2>&1";
        std::system(cmd.c_str());
        return readFile(dir_ / "out.txt");
    };
    std::string at181 = runAt("18.1"), at182 = runAt("18.2");
    // 18.1: both names open the options dialog; after unload none is known.
    EXPECT_NE(at181.find("Command: Transkodo\nTranskodo:\n"), std::string::npos) << at181;
    EXPECT_NE(at181.find("Command: TranskodoCP\nTranskodo:\n"), std::string::npos) << at181;
    for (const char* name : {"Transkodo", "TranskodoCP", "TranskodoFiles", "TranskodoStr"})
        EXPECT_NE(at181.find("Command: " + std::string(name) + "\nUnknown command"),
                  std::string::npos)
            << name;
    // 18.2: only TranskodoCP.
    EXPECT_NE(at182.find("Command: Transkodo\nUnknown command \"Transkodo\""), std::string::npos)
        << at182;
    EXPECT_NE(at182.find("Command: TranskodoCP\nTranskodo:\n"), std::string::npos) << at182;
    // 22.0, the module's own release: only TranskodoCP.
    std::string at220 = run("Transkodo\nTranskodoCP\n^C\n", "d.dxf");
    EXPECT_NE(at220.find("Command: Transkodo\nUnknown command \"Transkodo\""), std::string::npos)
        << at220;
    EXPECT_NE(at220.find("Command: TranskodoCP\nTranskodo:\n"), std::string::npos) << at220;
    // The release-22 module on an 18.1 host is refused.
    std::string refused = run("", "d.dxf", "-r 18.1");
    EXPECT_NE(refused.find("needs host release 22 or later; this host is 18.1."), std::string::npos)
        << refused;
}

// "setlocalid" shows both locales and makes the thread Russian; a second call
// shows the locale the first one set; arguments are ignored. Every drawing
// opened later gets the function too.
TEST_P(Transkodo, SetLocaleIdTwice) {
    if (narrow()) GTEST_SKIP() << "the older build has no LISP function";
    make("d.dxf");
    make("e.dxf");
    std::string out =
        run("(setlocalid)\n(setlocalid 1 \"x\")\nOPEN\ne.dxf\n(setlocalid)\n", "d.dxf");
    EXPECT_EQ(linesWith(out, "LCID=") + linesWith(out, "Locale="),
              "GetSystemDefaultLCID=419h\nGetSystemDefaultLCID=419h\nGetSystemDefaultLCID=419h\n"
              "GetThreadLocale=419h\nGetThreadLocale=10019h\nGetThreadLocale=10019h\n")
        << out;
    EXPECT_EQ(out.find("error"), std::string::npos) << out;
}

// --- dialogs ------------------------------------------------------------------------------
// The options dialog starts from the defaults, Cancel keeps what was there,
// OK keeps the choices for the next command, the direction dialog turns the
// text and extended-data options on, and a new load starts from the defaults.
TEST_P(Transkodo, DialogsAnsweredCancelledAndLeftAtDefaults) {
    make("d.dxf");
    const std::string cmd = GetParam().current;
    const std::string& mod = GetParam().module;
    // Shows the dialog with every value kept, then cancels it.
    const std::string look =
        "\n" + std::string(static_cast<std::size_t>(GetParam().optionAnswers - 1), '\n') +
        "Отмена\n";
    std::string script = cmd + "\n" + options() +            // defaults, OK
                         cmd + "\n3\nНет\nНет\nНет\n^C\n" +  // changes, then Escape
                         cmd + "\n" + options("Windows -> Dos", {"", "Нет", "Нет", "Нет"}) +  // OK
                         cmd + look +                 // shows those choices
                         "TranskodoStr\n2\n\n^C\n" +  // direction 2, texts/xdata on
                         cmd + look + "ARXUNLOAD\n" + mod + "\nARXLOAD\n" + module() + "\n" + cmd +
                         look;
    std::string out = run(script, "d.dxf");
    std::vector<std::string> shown;
    std::istringstream in(out);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("Куда конвертировать ?", 0) == 0)
            shown.push_back(line.substr(line.rfind('<')));
    ASSERT_EQ(shown.size(), 7u) << out;
    const char* expected[] = {
        "<Dos -> Windows>: ", "<Dos -> Windows>: ", "<Dos -> Windows>: ",
        "<Windows -> Dos>: ", "<Windows -> Dos>: ", "<Unicode(Latin 1) -> Windows>: ",
        "<Dos -> Windows>: "};
    for (std::size_t i = 0; i < shown.size(); ++i)
        EXPECT_EQ(shown[i].substr(0, shown[i].find(':') + 2), expected[i]) << i;
    // After OK with texts and extended data off, the next dialog shows them off;
    // after the direction dialog they are on again; after a reload all is default.
    std::string texts = linesWith(out, "Текстовые примитивы [Да/Нет]");
    std::string xdata = linesWith(out, "Расширенные данные [Да/Нет]");
    EXPECT_EQ(texts,
              "Текстовые примитивы [Да/Нет] <Да>: \nТекстовые примитивы [Да/Нет] <Да>: Нет\n"
              "Текстовые примитивы [Да/Нет] <Да>: Нет\nТекстовые примитивы [Да/Нет] <Нет>: \n"
              "Текстовые примитивы [Да/Нет] <Да>: \nТекстовые примитивы [Да/Нет] <Да>: \n")
        << out;
    EXPECT_EQ(xdata,
              "Расширенные данные [Да/Нет] <Да>: \nРасширенные данные [Да/Нет] <Да>: Нет\n"
              "Расширенные данные [Да/Нет] <Да>: Нет\nРасширенные данные [Да/Нет] <Нет>: \n"
              "Расширенные данные [Да/Нет] <Да>: \nРасширенные данные [Да/Нет] <Да>: \n")
        << out;
    // The forms: every control of the template, in the data-exchange order.
    std::string form =
        narrow()
            ? "Transkodo:\nКуда конвертировать ? [0 Dos -> Windows/1 Windows -> Dos/"
              "2 Unicode(Latin 1) -> Windows/3 Unicode(Cirillic) -> Windows/"
              "4 Windows -> Unicode(Latin 1)/5 Windows -> Unicode(Cirillic)] <Dos -> Windows>: \n"
              "Символьные таблицы [Да/Нет] <Да>: \nТекстовые примитивы [Да/Нет] <Да>: \n"
              "Расширенные данные [Да/Нет] <Да>: \n[Да/Отмена] <Да>: \n"
            : "Transkodo:\nКуда конвертировать ? [0 Dos -> Windows/1 Windows -> Dos/"
              "2 Unicode(Latin 1) -> Windows/3 Unicode(Cirillic) -> Windows/"
              "4 Windows -> Unicode(Latin 1)/5 Windows -> Unicode(Cirillic)] <Dos -> Windows>: \n"
              "Символьные таблицы [Да/Нет] <Да>: \nТекстовые примитивы [Да/Нет] <Да>: \n"
              "Расширенные данные [Да/Нет] <Да>: \nПути к файлам [Да/Нет] <Да>: \n"
              "Символы \"\\U+XXXX\" [Да/Нет] <Да>: \nСимволы \"\\M+XXXXX\" [Да/Нет] <Да>: \n"
              "Символы \"%%nnn\" [Да/Нет] <Да>: \n[Да/Отмена] <Да>: \n";
    EXPECT_NE(out.find(form), std::string::npos) << out;
    EXPECT_NE(out.find("TranskodoStr:\nКуда конвертировать ? [0 Dos -> Windows/"),
              std::string::npos)
        << out;
    // The file-path option keeps its state through the direction dialog.
    if (!narrow()) {
        EXPECT_EQ(linesWith(out, "Пути к файлам [Да/Нет]"),
                  "Пути к файлам [Да/Нет] <Да>: \nПути к файлам [Да/Нет] <Да>: ^C*Cancel*\n"
                  "Пути к файлам [Да/Нет] <Да>: Нет\nПути к файлам [Да/Нет] <Нет>: \n"
                  "Пути к файлам [Да/Нет] <Нет>: \nПути к файлам [Да/Нет] <Да>: \n")
            << out;
    }
}

// The templates as the host draws them: captions, group boxes, every check box.
TEST_P(Transkodo, DialogsDrawnFromTheirTemplates) {
    make("d.dxf");
    setenv("CADHOST_DRAW_DIALOGS", "1", 1);
    std::string out = run(std::string(GetParam().current) + "\n^C\nTranskodoStr\n^C\n", "d.dxf");
    unsetenv("CADHOST_DRAW_DIALOGS");
    for (const char* text :
         {"┌─ Transkodo ─", "┌─ TranskodoStr ─", "Куда конвертировать ?", "Что конвертировать ?",
          "[x] Символьные таблицы", "[x] Текстовые примитивы", "[x] Расширенные данные", "<[Да]>",
          "< Отмена >"})
        EXPECT_NE(out.find(text), std::string::npos) << text << "\n" << out;
    EXPECT_EQ(out.find("[x] Пути к файлам") != std::string::npos, !narrow()) << out;
    EXPECT_EQ(out.find("[x] Символы \"%%nnn\"") != std::string::npos, !narrow()) << out;
}

// --- the working drawing -------------------------------------------------------------------------
// "Dos -> Windows" on a drawing made in DOS form gives the drawing made
// without damage; with every content option off nothing changes.
TEST_P(Transkodo, CurrentDrawingRecodedAndSaved) {
    make("d.dxf");
    make("plain.dxf", expectedForm());
    const std::string cmd = GetParam().current;
    std::string out =
        run(cmd + "\n" + options("Dos -> Windows") + "SAVEAS\n\nout.dxf\n" + cmd + "\n" +
                options("", {"Нет", "Нет", "Нет", "Нет"}) + "SAVEAS\n\nsame.dxf\n",
            "d.dxf");
    // Dialog, the steps, and for the older build its closing line; then the next command.
    const std::string done = narrow() ? "Конвертация выполнена!\n" : "";
    EXPECT_NE(out.find("[Да/Отмена] <Да>: \n" + progress(narrow()) + done + "Command: SAVEAS\n"),
              std::string::npos)
        << out;
    std::string expected = dump("plain.dxf");
    EXPECT_EQ(dump("out.dxf"), expected);
    EXPECT_EQ(dump("same.dxf"), expected);  // the second run had nothing to do
    if (narrow()) {
        EXPECT_EQ(linesWith(out, "Конверт"), "Конвертация выполнена!\nКонвертировать нечего!\n")
            << out;
    } else {
        EXPECT_EQ(linesWith(out, "Конверт"), "")
            << out;  // the newer build prints only the walk's lines
    }
    // All content off on the damaged drawing: nothing is recoded.
    out = run(cmd + "\n" + options("", {"Нет", "Нет", "Нет", "Нет"}) + "SAVEAS\n\noff.dxf\n",
              "d.dxf");
    EXPECT_EQ(dump("off.dxf"), dump("d.dxf"));
    // Without a drawing the commands on the working drawing end silently; the batch
    // command still works.
    out = run("CLOSE\n" + cmd + "\nTranskodoStr\nTranskodoFiles\n" + options() + "d.dxf\n\n",
              "d.dxf");
    EXPECT_NE(out.find("Command: CLOSE\nCommand: " + cmd +
                       "\nCommand: TranskodoStr\nCommand: TranskodoFiles\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<" + (dir_ / "d.dxf").string() + ">-----\n" + progress(narrow())),
              std::string::npos)
        << out;
    // Cancel: no output, no change.
    out = run(cmd + "\n^C\n", "d.dxf");
    EXPECT_EQ(out.find("Обрабатываются"), std::string::npos) << out;
}

// A real Russian drawing damaged into DOS form comes back equal to itself in
// every recoded place, and its geometry is untouched.
TEST_P(Transkodo, RealDrawingRoundTrip) {
    std::vector<fs::path> drawings;
    for (const char* rel : {"librecad/librecad/support/library/sheets/A3_1_draw.dxf",
                            "librecad/librecad/support/library/sheets/A4_1_text.dxf",
                            "librecad/librecad/support/library/sheets/A4.dxf"})
        if (fs::exists(fs::path(arxtest::corpusDir()) / rel))
            drawings.push_back(fs::path(arxtest::corpusDir()) / rel);
    if (drawings.empty()) GTEST_SKIP() << "no corpus at " << arxtest::corpusDir();
    for (const fs::path& original : drawings) {
        SCOPED_TRACE(original.string());
        const std::string name = original.stem().string();
        std::string damaged = python("damage '" + original.string() + "' " + name + "-damaged.dxf");
        ASSERT_GT(std::atoi(damaged.c_str()), 0) << damaged;
        std::string out = run(std::string(GetParam().current) + "\n" + options("Dos -> Windows") +
                                  "SAVEAS\n2018\n" + name + "-back.dxf\n",
                              name + "-damaged.dxf");
        EXPECT_NE(out.find("Saved "), std::string::npos) << out;
        EXPECT_EQ(python("same '" + original.string() + "' " + name + "-back.dxf"), "same\n");
        EXPECT_NE(python("same '" + original.string() + "' " + name + "-damaged.dxf"), "same\n");
    }
}

// --- a batch of files
// ------------------------------------------------------------------------------ Files in the
// dialog's order, each with its header line: one given by a pattern over sub-folders, one open in
// the host under another spelling of its path (recoded in memory, the file untouched), one that is
// no drawing (header only), one whose save fails (reported, file intact); a read-only file and a
// DWG file are refused by the dialog.
TEST_P(Transkodo, BatchOfFiles) {
    make("plain.dxf", expectedForm());
    std::string expected = dump("plain.dxf");
    fs::create_directories(dir_ / "set" / "sub" / "deeper");
    make("set/a.dxf");
    make("set/sub/b.dxf");
    make("set/sub/deeper/c.dxf");
    make("open.dxf");
    fs::create_directories(dir_ / "stuck");
    make("stuck/failing.dxf");
    // The newer build's save keeps a backup: a folder in its place makes the save fail.
    // The older one saves without: only a folder that takes no new names does.
    fs::create_directories(dir_ / "stuck" / "failing.bak" / "keep");
    const bool canFail = !narrow() || makeImmutable(dir_ / "stuck");
    std::ofstream(dir_ / "notes.dxf") << "these are not the drawings you are looking for\n";
    make("ro.dxf");
    fs::permissions(dir_ / "ro.dxf",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    std::ofstream(dir_ / "real.dwg", std::ios::binary) << "AC1032" << std::string(100, '\0');
    const std::string openBefore = readFile(dir_ / "open.dxf"),
                      failingBefore = readFile(dir_ / "stuck" / "failing.dxf"),
                      roBefore = readFile(dir_ / "ro.dxf");
    const std::string d = dir_.string();
    std::string out = run("TranskodoFiles\n" + options() +
                              "set/a\n"             // completed with the host's drawing extension
                              "set/../set/a.dxf\n"  // the same file again: left out, recoded once
                              "real.dwg\n"          // refused: a DWG file
                              "ro.dxf\n"            // refused: read-only
                              "set/sub/**/*.dxf\n"  // b.dxf and c.dxf, in path order
                              "nothing/*.dxf\n"     // matches nothing
                              "open.dxf\n"
                              "notes.dxf\n"
                              "stuck/failing.dxf\n"
                              "\n"
                              "SAVEAS\n\nopen-saved.dxf\n",
                          "'" + d + "/./open.dxf'");
    EXPECT_EQ(linesWith(out, "----Конвертируется файл"), "----Конвертируется файл------<" + d +
                                                             "/set/a.dxf>-----\n"
                                                             "----Конвертируется файл------<" +
                                                             d +
                                                             "/set/sub/b.dxf>-----\n"
                                                             "----Конвертируется файл------<" +
                                                             d +
                                                             "/set/sub/deeper/c.dxf>-----\n"
                                                             "----Конвертируется файл------<" +
                                                             d +
                                                             "/open.dxf>-----\n"
                                                             "----Конвертируется файл------<" +
                                                             d +
                                                             "/notes.dxf>-----\n"
                                                             "----Конвертируется файл------<" +
                                                             d + "/stuck/failing.dxf>-----\n")
        << out;
    EXPECT_NE(out.find("\nreal.dwg is a DWG file; this host reads drawings in DXF format only.\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("\nro.dxf is read-only; choose files that can be written.\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("2 files of set/sub/**/*.dxf"), std::string::npos) << out;
    EXPECT_NE(out.find("\n" + d + "/set/a.dxf is chosen already.\n"), std::string::npos) << out;
    EXPECT_NE(out.find("No file matches nothing/*.dxf"), std::string::npos) << out;
    // Each file: its header line, then the steps of the walk.
    EXPECT_NE(out.find("<" + d + "/set/a.dxf>-----\n" + progress(narrow()) +
                       "----Конвертируется файл------<" + d + "/set/sub/b.dxf>-----\n"),
              std::string::npos)
        << out;
    // The file that is no drawing: its header line and nothing else.
    EXPECT_NE(out.find("<" + d + "/notes.dxf>-----\n----Конвертируется файл------<" + d +
                       "/stuck/failing.dxf>-----\n"),
              std::string::npos)
        << out;
    // The failed save names the file and the host's status; the file stays.
    if (canFail) {
        EXPECT_NE(out.find("\nОшибка при сохранении файла <" + d + "/stuck/failing.dxf>: "),
                  std::string::npos)
            << out;
        EXPECT_EQ(readFile(dir_ / "stuck" / "failing.dxf"), failingBefore);
    }
    // Recoded and saved over themselves, the previous files kept as backups.
    for (const char* f : {"set/a.dxf", "set/sub/b.dxf", "set/sub/deeper/c.dxf"}) {
        EXPECT_EQ(dump(f), expected) << f;
        fs::path bak = (dir_ / f).replace_extension(".bak");
        EXPECT_EQ(fs::exists(bak), !narrow()) << bak;  // the older build saves without a backup
    }
    // The open drawing was recoded in memory; its file is untouched until saved.
    EXPECT_EQ(readFile(dir_ / "open.dxf"), openBefore);
    EXPECT_EQ(dump("open-saved.dxf"), expected);
    EXPECT_EQ(readFile(dir_ / "ro.dxf"), roBefore);
    // Cancelled file dialog: nothing happens.
    out = run("TranskodoFiles\n" + options() + "^C\n", "");
    EXPECT_EQ(out.find("Конвертируется"), std::string::npos) << out;
}

// --- single texts
// -------------------------------------------------------------------------------------- Picks
// reach texts two blocks deep and texts on locked layers; a missed pick asks again, a typed word
// starts the host's selection, Escape ends; the layer is locked again afterwards (the older build
// leaves locked layers alone).
TEST_P(Transkodo, StringsPickedSelectedAndCancelled) {
    auto h = make("d.dxf");
    std::string out =
        run("TranskodoStr\nDos -> Windows\n\n"
            "#" +
                h["outer"] + "/" + h["nested"] + "/" + h["deep"] +
                "\n"  // two blocks deep
                "#" +
                h["locked"] +
                "\n"           // on a locked layer
                "9000,9000\n"  // nothing there
                "#" +
                h["attrib"] +
                "\n"  // an attribute
                "В\n#" +
                h["free"] + "\n#" + h["line"] +
                "\n\n"          // selection by keyword
                "whatever\n\n"  // empty selection
                "^C\n"
                "SAVEAS\n\nout.dxf\n",
            "d.dxf");
    const std::string prompt = "Укажите строку для конвертации [Выбор средствами AutoCAD]: ";
    EXPECT_EQ(linesWith(out, prompt),
              prompt + "#" + h["outer"] + "/" + h["nested"] + "/" + h["deep"] + "\n" + prompt +
                  "#" + h["locked"] + "\n" + prompt + "9000,9000\n" + prompt + "#" + h["attrib"] +
                  "\n" + prompt + "В\n" + prompt + "whatever\n" + prompt + "^C*Cancel*\n")
        << out;
    std::string after = dump("out.dxf");
    auto text = [&](const std::string& kind, const std::string& handle) {
        std::string key = kind + " " + handle + ": ";
        auto at = after.find(key);
        return at == std::string::npos
                   ? std::string("?")
                   : after.substr(at + key.size(), after.find('\n', at) - at - key.size());
    };
    EXPECT_EQ(text("TEXT", h["deep"]), "Глубокий текст") << after;
    EXPECT_EQ(text("ATTRIB", h["attrib"]), "Атрибут вставки") << after;
    EXPECT_EQ(text("TEXT", h["free"]), "Свободный текст") << after;
    EXPECT_EQ(text("TEXT", h["locked"]) == "Текст на замке", !narrow()) << after;
    EXPECT_NE(text("MTEXT", h["mtext"]), "Многострочный текст") << "not picked, stays damaged";
    // The locked layer is locked again.
    EXPECT_NE(after.find("locked: "), std::string::npos) << after;
    // A whole block reference through the selection: its block's texts too.
    out = run("TranskodoStr\n\n\nS\n#" + h["outer"] + "\n\n^C\nSAVEAS\n\nsel.dxf\n", "d.dxf");
    std::string sel = dump("sel.dxf");
    EXPECT_NE(sel.find(": Внешний текст\n"), std::string::npos) << sel;
    EXPECT_NE(sel.find(": Атрибут вставки\n"), std::string::npos) << sel;
    // Enter at the prompt ends the command as Escape does.
    out = run("TranskodoStr\n\n\n9000,9000\n\nTranskodoStr\n^C\n", "d.dxf");
    EXPECT_NE(out.find(prompt + "9000,9000\n" + prompt + "\nCommand: TranskodoStr\n"),
              std::string::npos)
        << out;
    // Cancel in the dialog: no prompt at all.
    out = run("TranskodoStr\n^C\n", "d.dxf");
    EXPECT_EQ(out.find(prompt), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Builds, Transkodo, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace
