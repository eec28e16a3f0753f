// cadhost as script files use it, in both executables: drawings and scripts
// named on the command line, Enter on the command prompt, SAVEAS onto a
// folder, GETVAR's numbers, DBMOD after a change is undone, the end of a
// script at QUIT's question, the demand-load registries of the two hosts and
// AUDIT's messages.
#include <sstream>

#include "cadhost_fixture.h"
#include "host/core/dxfio.h"

namespace {

using namespace cadhosttest;

class CommandLine : public Cadhost {
protected:
    // A new drawing as cadhost saves it (AC1032, the host's template).
    fs::path newDrawing(const std::string& name) {
        Result r = run("", "SAVEAS\n2018\n" + name + "\n");
        EXPECT_EQ(r.status, 0) << r.out;
        return dir_ / (name + ".dxf");
    }
    static std::size_t count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
};

TEST_P(CommandLine, DrawingThatDoesNotOpenStopsTheRunBeforeTheScript) {
    Result r = run("'" + (dir_ / "missing.dxf").string() + "'", "SAVE\nQUIT\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot open"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Command: SAVE"), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(dir_ / "QUIT.dxf"));
    // One good drawing and one missing: still no command runs.
    r = run("'" + drawing() + "' missing.dxf", "GETVAR\nACADVER\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.find("ACADVER ="), std::string::npos) << r.out;
}

TEST_P(CommandLine, ScriptFiles) {
    // A folder given as script is refused before anything runs.
    fs::create_directory(dir_ / "folder.scr");
    std::string cmd = std::string("'") + GetParam().exe + "' -s '" + (dir_ / "folder.scr").string() + "' > '" +
                      (dir_ / "o.txt").string() + "' 2> '" + (dir_ / "e.txt").string() + "'";
    int rc = std::system(cmd.c_str());
    EXPECT_EQ(WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, 2);
    EXPECT_NE(readFile(dir_ / "e.txt").find("is a folder"), std::string::npos) << readFile(dir_ / "e.txt");
    EXPECT_EQ(readFile(dir_ / "o.txt").find("Command:"), std::string::npos);

    // A byte-order mark before the first command is passed over.
    Result r = run("", "\xEF\xBB\xBFGETVAR\nACADVER\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ACADVER = \""), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Unknown command"), std::string::npos) << r.out;
}

TEST_P(CommandLine, FileNamesThatAreNotUtf8KeepTheirBytes) {
    // Latin-1 names, as an older system leaves them.
    const std::string in = "\xE9t\xE9.dxf", out = "s\xF8.dxf";
    fs::copy_file(dir_ / "picks.dxf", dir_ / in);
    Result r = run("'" + (dir_ / in).string() + "'", "SAVEAS\n2018\n" + (dir_ / out).string() + "\n");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(fs::exists(dir_ / out));
    hostcore::Drawing d;
    std::string error;
    EXPECT_TRUE(hostcore::loadDxf(d, readFile(dir_ / out), error)) << error;
    // Nothing was written under a name of other bytes.
    std::size_t files = 0;
    for (auto& e : fs::directory_iterator(dir_))
        if (e.path().extension() == ".dxf") ++files;
    EXPECT_EQ(files, 3u);
}

TEST_P(CommandLine, EnterRepeatsTheLastCommand) {
    Result r = run("", "GETVAR\nACADVER\n\nDBMOD\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("DBMOD = 0"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Unknown command"), std::string::npos) << r.out;
    // Enter before any command does nothing.
    r = run("", "\nGETVAR\nDBMOD\n");
    EXPECT_EQ(count(r.out, "Enter variable name:"), 1u) << r.out;
}

TEST_P(CommandLine, SaveAsOntoAFolderIsRefused) {
    fs::create_directory(dir_ / "p.dxf");
    std::ofstream(dir_ / "p.dxf" / "keep.txt") << "mine\n";
    Result r = run("", "SAVEAS\n2018\np.dxf\nY\n");
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_NE(r.out.find("Cannot save to p.dxf: it is a folder."), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_directory(dir_ / "p.dxf"));
    EXPECT_EQ(readFile(dir_ / "p.dxf" / "keep.txt"), "mine\n");
    EXPECT_FALSE(fs::exists(dir_ / "p.bak"));
}

TEST_P(CommandLine, GetVarNumbersAndPickBox) {
    newDrawing("n");
    Result r = run("n.dxf", "SETVAR\nLTSCALE\n0.123456789012\nGETVAR\nLTSCALE\nGETVAR\nPICKBOX\n"
                            "SETVAR\nPICKBOX\n2.5\nGETVAR\nPICKBOX\nGETVAR\nINSBASE\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("LTSCALE = 0.123456789012\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PICKBOX = 0.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("PICKBOX = 2.5\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("INSBASE = (0.0,0.0,0.0)"), std::string::npos) << r.out;
    r = run("--pickbox 6 n.dxf", "GETVAR\nPICKBOX\n");
    EXPECT_NE(r.out.find("PICKBOX = 6.0\n"), std::string::npos) << r.out;
}

TEST_P(CommandLine, ChangesSetBackLeaveTheDrawingUnmodified) {
    newDrawing("n");
    // A second layer to switch to.
    std::string out;
    if (!ezdxf("d = ezdxf.readfile(sys.argv[1])\nd.layers.add('WALLS')\nd.saveas(sys.argv[1])\n", "n.dxf", out))
        GTEST_SKIP() << "ezdxf is not installed";
    ASSERT_EQ(out, "");
    Result r = run("n.dxf", "SETVAR\nCLAYER\nWALLS\nGETVAR\nDBMOD\nSETVAR\nCLAYER\n0\nGETVAR\nDBMOD\n"
                     "SETVAR\nLTSCALE\n2.0\nGETVAR\nDBMOD\nSETVAR\nLTSCALE\n1.0\nGETVAR\nDBMOD\nQUIT\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(count(r.out, "DBMOD = 1"), 2u) << r.out;
    EXPECT_EQ(count(r.out, "DBMOD = 0"), 2u) << r.out;
    // QUIT has nothing to ask.
    EXPECT_EQ(r.out.find("Save changes"), std::string::npos) << r.out;
}

TEST_P(CommandLine, ScriptEndingAtQuitsQuestionEndsLikeOneWithoutQuit) {
    newDrawing("n");
    const std::string before = readFile(dir_ / "n.dxf");
    Result withQuit = run("n.dxf", "SETVAR\nLTSCALE\n2.5\nQUIT\n");
    Result without = run("n.dxf", "SETVAR\nLTSCALE\n2.5\n");
    EXPECT_EQ(withQuit.status, without.status);
    EXPECT_EQ(withQuit.status, 0);
    EXPECT_EQ(readFile(dir_ / "n.dxf"), before);
    const std::string end = "n.dxf were not saved.\n";
    EXPECT_NE(without.out.find(end), std::string::npos) << without.out;
    EXPECT_NE(withQuit.out.find(end), std::string::npos) << withQuit.out;
    // No command prompt after the question the input did not answer.
    EXPECT_NE(withQuit.out.find("<Yes>: *Cancel*\nChanges to "), std::string::npos) << withQuit.out;
}

// An image's reactor that names no owner belongs to the image that names it as
// its own: AUDIT gives it back and says so; the drawing is then clean.
TEST_P(CommandLine, AuditGivesAnOwnerlessImageReactorToItsImage) {
    std::string out;
    if (!ezdxf("d = ezdxf.new('R2018')\n"
               "idef = d.add_image_def('x.png', size_in_pixel=(10, 10))\n"
               "im = d.modelspace().add_image(idef, insert=(0, 0), size_in_units=(1, 1))\n"
               "d.saveas(sys.argv[1])\n"
               "print(im.dxf.handle, im.dxf.image_def_reactor_handle)\n",
               "im.dxf", out))
        GTEST_SKIP() << "ezdxf is not installed";
    std::istringstream handles(out);
    std::string image, reactor;
    handles >> image >> reactor;
    ASSERT_FALSE(reactor.empty()) << out;
    std::string text = readFile(dir_ / "im.dxf");
    const std::string record = "IMAGEDEF_REACTOR\n  5\n" + reactor + "\n330\n" + image + "\n";
    auto at = text.find(record);
    ASSERT_NE(at, std::string::npos) << record;
    text.replace(at, record.size(), "IMAGEDEF_REACTOR\n  5\n" + reactor + "\n330\n0\n");
    std::ofstream(dir_ / "im.dxf", std::ios::binary) << text;

    Result r = run("im.dxf", "AUDIT\nN\nAUDIT\nY\nAUDIT\nN\nSAVE\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("IMAGEDEF_REACTOR (" + reactor + "): no owner reference\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("IMAGEDEF_REACTOR (" + reactor + "): no owner reference - given to IMAGE (" + image +
                         "), which names it as its own\n"),
              std::string::npos)
        << r.out;
    // ezdxf names a dimension style it does not define; the fix says what it did.
    EXPECT_NE(r.out.find("header $DIMSTYLE names \"ISO-25\", which does not exist - set to Standard\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("2 errors found, 2 fixed."), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" 0 errors found, 0 fixed."), std::string::npos) << r.out;
    ezdxf("d = ezdxf.readfile(sys.argv[1])\nprint(d.entitydb['" + reactor + "'].dxf.owner)\n", "im.dxf", out);
    EXPECT_EQ(out, image + "\n");
}

#ifdef CADHOST_LINE_EDITING
// On a terminal (driven here through a pseudo-terminal): the history brings back a line,
// Ctrl-C and a lone Esc cancel the prompt without ending the process, and a second Ctrl-C
// at the empty command prompt asks to end the session as QUIT does, save question included.
const char* const kTerminal = R"PY(
import os, pty, sys, time, select
exe, drawing = sys.argv[1], sys.argv[2]
pid, fd = pty.fork()
if pid == 0:
    os.execv(exe, [exe, drawing])
out = b''
def pump(t):
    global out
    end = time.time() + t
    while time.time() < end:
        r, _, _ = select.select([fd], [], [], 0.05)
        if r:
            try:
                data = os.read(fd, 4096)
            except OSError:
                return
            if not data:
                return
            out += data
def send(b, t=0.4):
    os.write(fd, b)
    pump(t)
pump(1.0)
send(b'GETVAR\r'); send(b'ACADVER\r')
send(b'\x1b[A'); send(b'\x1b[A'); send(b'\r'); send(b'DBMOD\r')
send(b'GETVAR\r'); send(b'\x03')
send(b'GETVAR\r'); send(b'\x1b', 0.6)
send(b'SETVAR\r'); send(b'LTSCALE\r'); send(b'2.5\r')
send(b'\x03'); send(b'\x03', 0.8); send(b'N\r', 1.0)
# Read to the end of the terminal's output (the process ends), then its status.
end = time.time() + 20
while time.time() < end:
    r, _, _ = select.select([fd], [], [], 0.1)
    if r:
        try:
            data = os.read(fd, 4096)
        except OSError:
            break
        if not data:
            break
        out += data
status = None
for _ in range(100):
    done, st = os.waitpid(pid, os.WNOHANG)
    if done:
        status = os.WEXITSTATUS(st) if os.WIFEXITED(st) else -1
        break
    time.sleep(0.1)
if status is None:
    os.kill(pid, 9)
sys.stdout.write(out.decode('utf8', 'replace').replace('\r', ''))
print('EXIT', status)
)PY";

TEST_P(CommandLine, TerminalEditingHistoryAndCancel) {
    newDrawing("n");
    fs::path py = dir_ / "terminal.py";
    std::ofstream(py) << kTerminal;
    std::string cmd = "cd '" + dir_.string() + "' && CADHOST_REGISTRY='" + registry_.string() + "' /usr/bin/python3 '" +
                      py.string() + "' '" + GetParam().exe + "' n.dxf > t.txt 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string out = readFile(dir_ / "t.txt");
    // The second GETVAR came from the history (two steps up), and answered DBMOD.
    EXPECT_NE(out.find("DBMOD = 0"), std::string::npos) << out;
    EXPECT_EQ(count(out, "Enter variable name: *Cancel*"), 2u) << out;
    EXPECT_NE(out.find("Save changes to "), std::string::npos) << out;
    EXPECT_NE(out.find("EXIT 0"), std::string::npos) << out;
}
#endif

// Each host keeps the modules it registered for loading on demand: a module of
// the other build, registered in the same file, is never tried.
TEST_P(CommandLine, EachHostKeepsItsOwnDemandLoadEntries) {
    const Build& mine = GetParam();
    const Build& other = std::string(mine.name) == "wide" ? kNarrow : kWide;
    auto runWith = [&](const Build& b, const std::string& args, const std::string& script) {
        std::ofstream(dir_ / "r.scr", std::ios::binary) << script;
        std::string cmd = "cd '" + dir_.string() + "' && CADHOST_REGISTRY='" + registry_.string() + "' '" + b.exe +
                          "' " + args + " -s r.scr > o.txt 2> e.txt";
        int rc = std::system(cmd.c_str());
        Result r;
        r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
        r.out = readFile(dir_ / "o.txt");
        r.err = readFile(dir_ / "e.txt");
        return r;
    };
    const std::string bin = std::string(BIN_DIR) + "/";
    // Both register (the other host last), then each types the command.
    ASSERT_EQ(runWith(mine, "-l '" + bin + mine.module + "'", "").status, 0);
    ASSERT_EQ(runWith(other, "-l '" + bin + other.module + "'", "").status, 0);
    for (const Build* b : {&mine, &other}) {
        Result r = runWith(*b, "'" + drawing() + "'", "tdocs\n");
        EXPECT_EQ(r.status, 0) << b->name << ": " << r.out << r.err;
        EXPECT_NE(r.out.find("Loading EdTest for the command tdocs...\n[edtest] kInitAppMsg\n"), std::string::npos)
            << b->name << ": " << r.out;
        EXPECT_NE(r.out.find("[docs] working=current release=" + std::to_string(b->release)), std::string::npos)
            << b->name << ": " << r.out;
    }
    const std::string reg = readFile(registry_);
    EXPECT_NE(reg.find("HOST=wide\n"), std::string::npos) << reg;
    EXPECT_NE(reg.find("HOST=narrow\n"), std::string::npos) << reg;
}

INSTANTIATE_TEST_SUITE_P(Builds, CommandLine, ::testing::Values(kWide, kNarrow),
                         [](const ::testing::TestParamInfo<Build>& i) { return std::string(i.param.name); });

}  // namespace
