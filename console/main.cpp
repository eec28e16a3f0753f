// cadhost: the command line that opens drawings, loads modules and runs their
// commands, from a script or from the terminal.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "host/ed/session.h"
#include "terminal.h"
#include "platform/codepage.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitScriptFailed = 1;
constexpr int kExitUsage = 2;

const char* programName() {
    return arxed::isNarrowBuild() ? "cadhost-narrow" : "cadhost";
}

void usage(std::FILE* out) {
    int major = 0, minor = 0;
    arxed::defaultRelease(major, minor);
    bool narrow = arxed::isNarrowBuild();
    std::fprintf(out,
                 "Usage: %s [options] [DRAWING...]\n"
                 "\n"
                 "Opens each DRAWING (DXF) as a document, the last one current (without one, an\n"
                 "empty drawing), loads the modules named with -l, then runs the commands of the\n"
                 "script given with -s and ends, or reads commands from the terminal until QUIT.\n"
                 "\n"
                 "Options:\n"
                 "  -l, --load MODULE    load a module (.arx) before the first command; may be repeated\n"
                 "  -s, --script FILE    run the commands of FILE, then end\n"
                 "  -r, --release X.Y    host release the modules see (value X*10+Y); %s,\n"
                 "                       %d.%d by default\n"
                 "      --codepage N     ANSI code page of narrow strings: 866, 1250, 1251 (default) or 1252\n"
                 "      --pickbox N      half the side of the pick square, in drawing units (default 0.5)\n"
                 "  -h, --help           show this text\n"
                 "  -V, --version        show the version\n"
                 "\n"
                 "Scripts: one answer per line; an empty line is Enter; a line ^C cancels the\n"
                 "prompt that reads it, and so does the end of the script; a line starting with (\n"
                 "is a LISP call such as (myfunc 1 2.5 \"text\" nil T) or (handent \"1A3\");\n"
                 "a line starting with ; is a comment. On the command prompt a blank ends the\n"
                 "command name and the words after it answer its first prompts.\n"
                 "Points are typed x,y or x,y,z; a pick can also be a handle path #1A3/2B4\n"
                 "(a block reference of the current space, then entities inside its block).\n"
                 "Changes are written only by SAVE or SAVEAS (or a Yes to the question of\n"
                 "CLOSE and QUIT); a script that ends without them leaves the files as they were.\n"
                 "\n"
                 "On a terminal, answers are edited with the usual keys (history with the\n"
                 "arrow keys); Ctrl-C or Esc cancels the prompt, and a second Ctrl-C at an\n"
                 "empty Command: prompt asks to end the session as QUIT does.\n"
                 "\n"
                 "Commands of the host: OPEN, SAVE, SAVEAS, CLOSE, QUIT, ARXLOAD, ARXUNLOAD,\n"
                 "REGEN, AUDIT, LIST, GETVAR, SETVAR; a leading _ asks for a global name,\n"
                 "' for a transparent call.\n"
                 "\n"
                 "This host hands strings to modules as %s and loads only modules\n"
                 "built for it%s.\n"
                 "\n"
                 "Example:\n"
                 "  %s -l mymodule.arx -s repair.scr drawing.dxf\n"
                 "  where repair.scr holds the lines\n"
                 "    MYCOMMAND\n"
                 "    SAVE\n"
                 "    QUIT\n"
                 "\n"
                 "Exit status: 0 success, 1 a command of the script failed (an unknown command,\n"
                 "a module or drawing that did not load or save; a DRAWING that does not open\n"
                 "ends the run before the first command), 2 bad invocation.\n"
                 "The demand-load registry is $CADHOST_REGISTRY, else\n"
                 "$XDG_CONFIG_HOME/cadhost/applications.ini (~/.config/cadhost/...).\n",
                 programName(), narrow ? "releases below 17.0" : "releases 17.0 and above", major, minor,
                 narrow ? "code page 1251 bytes" : "UTF-16", narrow ? " (narrow modules)" : " (wide modules)",
                 programName());
}

bool parseRelease(const std::string& s, int& major, int& minor) {
    auto dot = s.find('.');
    std::string a = s.substr(0, dot), b = dot == std::string::npos ? "0" : s.substr(dot + 1);
    if (a.empty() || b.size() != 1 || a.size() > 2) return false;
    for (char c : a + b)
        if (c < '0' || c > '9') return false;
    major = std::atoi(a.c_str());
    minor = std::atoi(b.c_str());
    return true;
}

int bad(const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", programName(), message.c_str(), programName());
    return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    arxed::SessionOptions options;
    std::vector<std::string> modules, drawings;
    std::string script;
    bool haveScript = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            auto eq = a.find('=');
            if (a.rfind("--", 0) == 0 && eq != std::string::npos) {
                out = a.substr(eq + 1);
                return true;
            }
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        auto is = [&](const char* s, const char* l) {
            return a == s || (l && (a == l || a.rfind(std::string(l) + "=", 0) == 0));
        };
        std::string v;
        if (is("-h", "--help")) {
            usage(stdout);
            return kExitOk;
        } else if (is("-V", "--version")) {
            int major = 0, minor = 0;
            arxed::defaultRelease(major, minor);
            std::printf("%s 0.1.0 (%s strings, emulates host release %d.%d)\n", programName(),
                        arxed::isNarrowBuild() ? "narrow code page 1251" : "wide UTF-16", major, minor);
            return kExitOk;
        } else if (is("-l", "--load")) {
            if (!value(v) || v.empty()) return bad("option " + a + " needs a module file");
            modules.push_back(v);
        } else if (is("-s", "--script")) {
            if (!value(v) || v.empty()) return bad("option " + a + " needs a script file");
            if (haveScript) return bad("only one script can be given");
            script = v;
            haveScript = true;
        } else if (is("-r", "--release")) {
            if (!value(v)) return bad("option " + a + " needs a release such as 25.0");
            if (!parseRelease(v, options.releaseMajor, options.releaseMinor))
                return bad("release '" + v + "' is not of the form X.Y (for example 25.0)");
            if (!arxed::releaseFitsBuild(options.releaseMajor, options.releaseMinor))
                return bad("release " + v + " is not one this host emulates (" +
                           (arxed::isNarrowBuild() ? std::string("13.0 to 16.9; use cadhost for newer releases")
                                                   : std::string("17.0 and above; use cadhost-narrow for older "
                                                                 "releases")) +
                           ")");
        } else if (is("--codepage", "--codepage")) {
            if (!value(v)) return bad("option --codepage needs a code page number");
            char* end = nullptr;
            long cp = std::strtol(v.c_str(), &end, 10);
            if (!end || *end || !isSupportedCodePage(static_cast<UINT>(cp)))
                return bad("code page '" + v + "' is not one of 866, 1250, 1251, 1252");
            options.codePage = static_cast<unsigned>(cp);
        } else if (is("--pickbox", "--pickbox")) {
            if (!value(v)) return bad("option --pickbox needs a size");
            char* end = nullptr;
            double p = std::strtod(v.c_str(), &end);
            if (!end || *end || !(p > 0) || p > 1e9) return bad("pick box '" + v + "' must be a positive number");
            options.pickbox = p;
        } else if (a == "--") {
            for (++i; i < argc; ++i) drawings.push_back(argv[i]);
        } else if (a.size() > 1 && a[0] == '-') {
            return bad("unknown option " + a);
        } else {
            drawings.push_back(a);
        }
    }

    std::ifstream scriptFile;
    if (haveScript) {
        struct stat sb {};
        if (::stat(script.c_str(), &sb) == 0 && S_ISDIR(sb.st_mode)) return bad("the script " + script + " is a folder");
        scriptFile.open(script, std::ios::binary);
        if (!scriptFile) return bad("cannot read the script " + script);
        // A byte-order mark (editors on Windows write one) is not a command.
        char bom[3] = {};
        if (!scriptFile.read(bom, 3) || std::memcmp(bom, "\xEF\xBB\xBF", 3) != 0) {
            scriptFile.clear();
            scriptFile.seekg(0);
        }
    }

    arxed::startSession(options);
    bool failed = false;
    int opened = 0;
    for (const std::string& d : drawings) {
        if (arxed::openDrawing(d)) ++opened;
        else failed = true;
    }
    // A drawing that did not open stops the run before any command does: the
    // script was written for that drawing, not for an empty one.
    if (failed) {
        arxed::endSession();
        return kExitScriptFailed;
    }
    // Commands always have a drawing to work on.
    if (opened == 0) arxed::newDrawing();
    for (const std::string& m : modules)
        if (!arxed::loadModuleFile(m)) failed = true;

    bool lineEditing = false;
    if (haveScript) {
        arxed::setInput(&scriptFile, false);
    } else {
        arxed::setInput(&std::cin, isatty(0) != 0);
        // On a terminal: line editing, history, Ctrl-C and Esc cancel the prompt.
        lineEditing = isatty(0) && startLineEditing();
        if (lineEditing) arxed::setLineReader(readTerminalLine);
    }
    arxed::runCommandLoop();
    arxed::endSession();
    if (lineEditing) stopLineEditing();
    if (failed || arxed::scriptFailed()) return kExitScriptFailed;
    return kExitOk;
}
