// The command loop, the editor's own commands and the session cadhost drives.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

#include "host/dbsymtb.h"
#include "host/arx/hostapi.h"
#include "host/ed/editor.h"
#include "host/ed/modules.h"
#include "host/scalelist.h"
#include "platform/codepage.h"

namespace arxed {

Editor& ed() {
    static Editor editor;
    return editor;
}

Command* findCommand(std::string_view name, bool globalOnly) {
    auto& cmds = ed().commands;
    // The newest registration wins, as on the host's command stack.
    for (auto it = cmds.rbegin(); it != cmds.rend(); ++it) {
        Command* c = it->get();
        if (sameName(c->global, name) || (!globalOnly && sameName(c->local, name))) return c;
    }
    return nullptr;
}

void removeCommandsOf(Module* m) {
    auto& cmds = ed().commands;
    for (auto it = cmds.begin(); it != cmds.end();) {
        if ((*it)->owner == m) {
            delete (*it)->object;
            it = cmds.erase(it);
        } else {
            ++it;
        }
    }
}

// Whether an answer is one of `words` (letter case and surrounding blanks aside).
bool isAnswer(const std::string& answer, std::initializer_list<std::string> words) {
    std::string f = fold(trim(answer));
    return std::any_of(words.begin(), words.end(), [&](const std::string& w) { return f == fold(w); });
}

bool yes(const std::string& answer) {
    return isAnswer(answer, {"y", "yes", u8s(u8"Да"), u8s(u8"Д")});
}

namespace {

bool fileExists(const std::string& p) {
    return access(p.c_str(), F_OK) == 0;
}


std::string displayName(const Document* d) {
    return d->path.empty() ? toUtf8(d->pathHost) : d->path;
}

struct Version {
    const char* name;
    const char* acadver;
    AcDb::AcDbDwgVersion code;
};
const Version kVersions[] = {{"2000", "AC1015", AcDb::kDHL_1015}, {"2004", "AC1018", AcDb::kDHL_1018},
                             {"2007", "AC1021", AcDb::kDHL_1021}, {"2010", "AC1024", AcDb::kDHL_1024},
                             {"2013", "AC1027", AcDb::kDHL_1027}, {"2018", "AC1032", AcDb::kDHL_1032}};

const Version* ownVersion(const Document* d) {
    AcDb::AcDbDwgVersion v = d->saveVersion != AcDb::kDHL_CURRENT ? d->saveVersion : d->db->originalFileVersion();
    for (const Version& k : kVersions)
        if (k.code == v) return &k;
    // A drawing of a version the host does not write is saved in the oldest it writes.
    return &kVersions[0];
}

bool saveDocument(Document* d, const std::string& path, AcDb::AcDbDwgVersion version) {
    sendToAll(AcRx::kSaveMsg);
    HostString h = pathToHost(path);
    Acad::ErrorStatus es = d->db->saveAs(h.c_str(), true, version);
    if (es != Acad::eOk) {
        std::string why = toUtf8(d->db->lastErrorMessage());
        print("\nCannot save " + path + ": " + toUtf8(acadErrorStatusText(es)) + (why.empty() ? "" : " (" + why + ")"));
        ed().scriptFailed = true;
        return false;
    }
    char* real = realpath(path.c_str(), nullptr);
    d->path = real ? real : path;
    free(real);
    d->pathHost = pathToHost(d->path);
    print("\nSaved " + d->path + ".");
    return true;
}

// Asks for a file name to save under, with the overwrite question.
int askSavePath(Document* d, std::string& path) {
    for (;;) {
        std::string a;
        int rc = readAnswer("\nSave drawing as <" + displayName(d) + ">: ", a);
        if (rc != RTNORM) return rc;
        a = trim(a);
        if (a.empty()) a = d->path.empty() ? toUtf8(d->pathHost) : d->path;
        std::string base = a.substr(a.find_last_of('/') == std::string::npos ? 0 : a.find_last_of('/') + 1);
        if (base.find('.') == std::string::npos) a += ".dxf";
        if (struct stat sb {}; ::stat(a.c_str(), &sb) == 0 && !S_ISREG(sb.st_mode)) {
            // Nothing but a drawing file is replaced.
            print("\nCannot save to " + a + ": " + (S_ISDIR(sb.st_mode) ? "it is a folder." : "it is not a file."));
            ed().scriptFailed = true;
            return RTREJ;
        }
        if (fileExists(a) && a != d->path) {
            std::string yn;
            rc = readAnswer("\n" + a + " already exists. Replace it? [Yes/No] <No>: ", yn);
            if (rc != RTNORM) return rc;
            if (!yes(yn)) continue;
        }
        path = a;
        return RTNORM;
    }
}

bool isNo(const std::string& a) {
    return isAnswer(a, {"n", "no", u8s(u8"Нет"), u8s(u8"Н")});
}

bool isCancel(const std::string& a) {
    return isAnswer(a, {"c", "cancel", u8s(u8"Отмена"), u8s(u8"О")});
}

}  // namespace

// Before a changed drawing goes away (CLOSE, QUIT, OPEN of the same file):
// asks whether to save it. True when the caller may go on (the drawing is
// unchanged, was saved, or the user discards the changes); false when the user
// cancels or the save fails, and the drawing stays.
bool offerSave(Document* d) {
    if (!d || !d->db->isModified()) return true;
    for (;;) {
        std::string a;
        if (readAnswer("\nSave changes to " + displayName(d) + "? [Yes/No/Cancel] <Yes>: ", a) != RTNORM) return false;
        if (trim(a).empty() || yes(a)) {
            std::string path = d->path;
            if (path.empty() && askSavePath(d, path) != RTNORM) return false;
            return saveDocument(d, path, d->saveVersion);
        }
        if (isNo(a)) return true;
        if (isCancel(a)) return false;
        print("\nAnswer Yes, No or Cancel.");
    }
}

namespace {

Document* documentAt(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    std::string full = real ? real : path;
    free(real);
    for (auto& d : ed().documents)
        if (!d->path.empty() && d->path == full) return d.get();
    return nullptr;
}

void cmdOpen() {
    std::string a;
    if (readAnswer("\nEnter name of drawing to open: ", a) != RTNORM) return;
    a = trim(a);
    if (a.size() >= 2 && a.front() == '"' && a.back() == '"') a = a.substr(1, a.size() - 2);
    if (a.empty()) return;
    // The file of a drawing that is open and changed: it is read again, after
    // the user saved the changes or gave them up.
    if (Document* same = documentAt(a); same && same->db->isModified()) {
        makeCurrent(same);
        if (!offerSave(same)) return;
        closeDocument(same);
    }
    std::string error;
    if (!openDocument(a, error)) {
        print("\nCannot open " + a + ": " + error + ".");
        ed().scriptFailed = true;
        return;
    }
    print("\nOpened " + ed().current->path + ".");
}

void cmdSave() {
    Document* d = ed().current;
    if (!d) {
        print("\nNo drawing is open.");
        return;
    }
    std::string path = d->path;
    if (path.empty() && askSavePath(d, path) != RTNORM) return;
    saveDocument(d, path, d->saveVersion);
}

void cmdSaveAs() {
    Document* d = ed().current;
    if (!d) {
        print("\nNo drawing is open.");
        return;
    }
    const Version* own = ownVersion(d);
    const Version* chosen = nullptr;
    while (!chosen) {
        std::string a;
        if (readAnswer(std::string("\nEnter file format [2000/2004/2007/2010/2013/2018] <") + own->name + ">: ", a) !=
            RTNORM)
            return;
        a = trim(a);
        if (a.empty()) {
            chosen = own;
            break;
        }
        for (const Version& v : kVersions)
            if (a == v.name || sameName(a, v.acadver) || sameName(a, std::string("R") + v.name)) chosen = &v;
        if (!chosen) print("\nThe host writes 2000, 2004, 2007, 2010, 2013 and 2018 drawings.");
    }
    std::string path;
    if (askSavePath(d, path) != RTNORM) return;
    if (saveDocument(d, path, chosen->code)) d->saveVersion = chosen->code;
}

void cmdClose() {
    if (!ed().current) {
        print("\nNo drawing is open.");
        return;
    }
    if (offerSave(ed().current)) closeDocument(ed().current);
}

// QUIT asks about every changed drawing, the current one first; a cancel
// keeps the session.
void cmdQuit() {
    Editor& e = ed();
    std::vector<Document*> order;
    if (e.current) order.push_back(e.current);
    for (auto& d : e.documents)
        if (d.get() != e.current) order.push_back(d.get());
    for (Document* d : order) {
        if (!d->db->isModified()) continue;
        makeCurrent(d);
        if (!offerSave(d)) return;
    }
    e.quitRequested = true;
}

void cmdArxLoad() {
    std::string a;
    if (readAnswer("\nEnter ARX/DBX file name to load: ", a) != RTNORM) return;
    a = trim(a);
    if (!a.empty()) loadModule(a, true);
}

void cmdArxUnload() {
    std::string a;
    if (readAnswer("\nEnter ARX/DBX file name to unload: ", a) != RTNORM) return;
    a = trim(a);
    if (!a.empty() && !unloadModule(a, true)) ed().scriptFailed = true;
}

// A value as GETVAR and SETVAR show it: reals with every digit the file
// keeps (the shortest text that reads back the same), as the file writes them.
std::string shownValue(const resbuf& rb) {
    auto real = [](double x) { return arxhost::realText(x); };
    if (rb.restype == RTREAL) return real(rb.resval.rreal);
    if (rb.restype == RT3DPOINT || rb.restype == RTPOINT)
        return "(" + real(rb.resval.rpoint[0]) + "," + real(rb.resval.rpoint[1]) + "," + real(rb.resval.rpoint[2]) + ")";
    return valueText(&rb);
}

void cmdGetVar() {
    std::string a;
    if (readAnswer("\nEnter variable name: ", a) != RTNORM) return;
    a = trim(a);
    if (a.empty()) return;
    HostString n = fromUtf8(a);
    resbuf rb{};
    if (acedGetVar(n.c_str(), &rb) != RTNORM) {
        print("\nUnknown variable name " + a + ".");
        return;
    }
    std::string up = a;
    for (char& c : up) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    print("\n" + up + " = " + shownValue(rb));
    if (rb.restype == RTSTR) acutDelString(rb.resval.rstring);
}

void cmdSetVar() {
    std::string a;
    if (readAnswer("\nEnter variable name: ", a) != RTNORM) return;
    a = trim(a);
    if (a.empty()) return;
    HostString n = fromUtf8(a);
    resbuf cur{};
    if (acedGetVar(n.c_str(), &cur) != RTNORM) {
        print("\nUnknown variable name " + a + ".");
        return;
    }
    std::string up = a;
    for (char& c : up) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    std::string v;
    int rc = readAnswer("\nEnter new value for " + up + " <" + shownValue(cur) + ">: ", v);
    int type = cur.restype;
    if (type == RTSTR) acutDelString(cur.resval.rstring);
    if (rc != RTNORM) return;
    if (trim(v).empty()) return;
    resbuf nv{};
    nv.restype = static_cast<short>(type);
    HostString hs;
    bool ok = true;
    char* end = nullptr;
    std::string t = trim(v);
    if (type == RTSTR) {
        if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
        hs = fromUtf8(t);
        nv.resval.rstring = hs.data();
    } else if (type == RTREAL) {
        nv.resval.rreal = std::strtod(t.c_str(), &end);
        ok = end && *end == 0 && std::isfinite(nv.resval.rreal);
    } else if (type == RTSHORT || type == RTLONG) {
        long l = std::strtol(t.c_str(), &end, 10);
        ok = end && *end == 0 && l >= -2147483647L && l <= 2147483647L;
        if (type == RTSHORT) {
            ok = ok && l >= -32768 && l <= 32767;
            nv.resval.rint = static_cast<short>(l);
        } else {
            nv.resval.rlong = static_cast<int32_t>(l);
        }
    } else {
        ok = parsePoint(t, nullptr, nv.resval.rpoint);
    }
    if (!ok || acedSetVar(n.c_str(), &nv) != RTNORM) print("\nInvalid value for " + up + ", or it cannot be set.");
}

// The properties of entities, their texts in full.
void listEntity(AcDbObjectId id) {
    const std::string type = arxhost::recordType(id);
    if (type.empty()) return;
    const arxhost::RecordTags tags = arxhost::recordTags(id);
    std::string layer = "0";
    for (const arxhost::RecordTag& t : tags)
        if (t.code == 8) layer = t.value;
    std::string space;
    AcDbObjectId spaceId = arxhost::spaceOf(id);
    if (!spaceId.isNull()) space = arxhost::recordName(spaceId);
    print("\n" + type + "  Layer: \"" + layer + "\"  Space: " + space + "  Handle: " + handleText(id));
    bool mtext = type == "MTEXT";
    int points10 = 0, points11 = 0;
    bool inXdata = false;
    for (const arxhost::RecordTag& t : tags) {
        if (t.code >= 1000) {
            if (t.code == 1001) {
                print("\n  Extended data of \"" + t.value + "\":");
                inXdata = true;
            } else if (inXdata) {
                print("\n    " + std::to_string(t.code) + ": " + t.value);
            }
            continue;
        }
        switch (t.code) {
        case 1:
            if (!mtext) print("\n  Text: \"" + t.value + "\"");
            break;
        case 3:
            if (type == "ATTDEF") print("\n  Prompt: \"" + t.value + "\"");
            break;
        case 2:
            if (type == "INSERT") print("\n  Block: \"" + t.value + "\"");
            else if (type == "ATTRIB" || type == "ATTDEF") print("\n  Tag: \"" + t.value + "\"");
            break;
        case 7:
            print("\n  Style: \"" + t.value + "\"");
            break;
        case 10:
        case 11: {
            // The defining point (and a line's end point); the vertices of a light polyline.
            bool vertex = type == "LWPOLYLINE" && t.code == 10;
            int& seen = t.code == 10 ? points10 : points11;
            if (++seen > 1 && !vertex) break;
            if (t.code == 11 && type != "LINE" && type != "TEXT" && type != "ATTRIB" && type != "ATTDEF") break;
            std::string y, z;
            std::size_t i = static_cast<std::size_t>(&t - tags.data());
            for (std::size_t k = i + 1; k < tags.size() && k <= i + 2; ++k) {
                if (tags[k].code == t.code + 10) y = tags[k].value;
                if (tags[k].code == t.code + 20) z = tags[k].value;
            }
            print(std::string("\n  ") + (vertex ? "Vertex" : t.code == 10 ? "Point" : "Second point") + ": " +
                  trim(t.value) + "," + trim(y.empty() ? "0" : y) + (vertex ? "" : "," + trim(z.empty() ? "0" : z)));
            break;
        }
        case 40:
            if (type == "CIRCLE" || type == "ARC") print("\n  Radius: " + trim(t.value));
            else if (type == "TEXT" || type == "ATTRIB" || type == "ATTDEF" || type == "MTEXT")
                print("\n  Height: " + trim(t.value));
            break;
        case 62:
            print("\n  Color: " + trim(t.value));
            break;
        default:
            break;
        }
    }
    if (mtext) {
        // MTEXT keeps its text as pieces (code 3) followed by the last part (code 1).
        std::string all;
        for (const arxhost::RecordTag& t : tags)
            if (t.code == 3) all += t.value;
        for (const arxhost::RecordTag& t : tags)
            if (t.code == 1) all += t.value;
        print("\n  Contents: \"" + all + "\"");
    }
    // Attributes of a block reference follow it.
    for (AcDbObjectId a : arxhost::subEntities(id))
        if (arxhost::recordType(a) == "ATTRIB") listEntity(a);
}

void cmdList() {
    if (!workingDb()) {
        print("\nNo drawing is open.");
        return;
    }
    std::vector<AcDbObjectId> ids;
    if (selectEntities(ids) != RTNORM) return;
    for (AcDbObjectId id : ids) listEntity(id);
}

void cmdRegen() {
    if (!workingDb()) {
        print("\nNo drawing is open.");
        return;
    }
    print("\nRegenerating model.");
}

}  // namespace

void cmdAudit() {
    AcDbDatabase* db = workingDb();
    if (!db) {
        print("\nNo drawing is open.");
        return;
    }
    std::string a;
    if (readAnswer("\nFix any errors detected? [Yes/No] <N>: ", a) != RTNORM) return;
    arxhost::auditDatabase(db, yes(a), [](const std::string& line) { print(line); });
}

void registerBuiltins() {
    std::map<std::string, std::function<void()>> b;
    b["open"] = cmdOpen;
    b["save"] = cmdSave;
    b["qsave"] = cmdSave;
    b["saveas"] = cmdSaveAs;
    b["close"] = cmdClose;
    b["quit"] = cmdQuit;
    b["arxload"] = cmdArxLoad;
    b["arxunload"] = cmdArxUnload;
    b["regen"] = cmdRegen;
    b["getvar"] = cmdGetVar;
    b["setvar"] = cmdSetVar;
    b["list"] = cmdList;
    b["audit"] = cmdAudit;
    for (auto& [k, f] : b) ed().builtins[fold(k)] = f;
    const char* const synonyms[][2] = {{"exit", "quit"}, {"li", "list"}, {"ls", "list"}, {"re", "regen"},
                                       {"set", "setvar"}};
    for (auto& s : synonyms) ed().synonyms[fold(s[0])] = fold(s[1]);
}

namespace {

void runCommand(std::string word) {
    bool globalOnly = false;
    bool builtinOnly = false;
    // Prefixes: ' transparent, _ the global name, . the editor's own command.
    while (!word.empty() && (word[0] == '\'' || word[0] == '_' || word[0] == '.')) {
        if (word[0] == '_') globalOnly = true;
        if (word[0] == '.') builtinOnly = true;
        word.erase(0, 1);
    }
    if (word.empty()) return;
    std::string f = fold(word);
    Command* c = builtinOnly ? nullptr : findCommand(word, globalOnly);
    if (!c) {
        auto syn = ed().synonyms.find(f);
        std::string key = syn == ed().synonyms.end() ? f : syn->second;
        auto it = ed().builtins.find(key);
        if (it != ed().builtins.end()) {
            ++ed().commandDepth;
            it->second();
            --ed().commandDepth;
            return;
        }
        if (!builtinOnly && loadFromDemandRegistry(word)) c = findCommand(word, globalOnly);
    }
    if (!c) {
        print("\nUnknown command \"" + word + "\".  Press F1 for help.");
        ed().scriptFailed = true;
        return;
    }
    ed().keywords = KeywordSet{};
    AcRxFunctionPtr fn = c->function;
    ++ed().commandDepth;
    asModule(c->owner, [&] { fn(); });
    --ed().commandDepth;
}

}  // namespace

// --- the session ---------------------------------------------------------------
bool isNarrowBuild() {
#ifdef ARX_NARROW
    return true;
#else
    return false;
#endif
}

void defaultRelease(int& major, int& minor) {
#ifdef ARX_NARROW
    major = 16;
    minor = 2;
#else
    major = 25;
    minor = 0;
#endif
}

bool releaseFitsBuild(int major, int minor) {
    if (major < 0 || minor < 0 || minor > 9) return false;
#ifdef ARX_NARROW
    return major >= 13 && major < 17;
#else
    return major >= 17 && major <= 99;
#endif
}

void startSession(const SessionOptions& o) {
    Editor& e = ed();
    if (o.releaseMajor > 0) {
        e.releaseMajor = o.releaseMajor;
        e.releaseMinor = o.releaseMinor;
    } else {
        defaultRelease(e.releaseMajor, e.releaseMinor);
    }
    acdbHostApplicationServices()->setReleaseVersion(e.releaseMajor, e.releaseMinor);
    if (o.codePage) setAnsiCodePage(o.codePage);
    e.pickbox = o.pickbox;
    registerBuiltins();
    // The host's scale-list reset (host/scalelist.h), found by modules through
    // LoadLibraryW and GetProcAddress under its decorated name.
    FARPROC reset = reinterpret_cast<FARPROC>(&acedResetScaleList);
    registerHostExport("accore.dll", "?acedResetScaleList@@YAX_N0PEAVAcDbDatabase@@@Z", reset);
    registerHostExport("acad.exe", "?acedResetScaleList@@YAX_N0PEAVAcDbDatabase@@@Z", reset);
}

void setInput(std::istream* input, bool interactive) {
    ed().input = input;
    ed().interactive = interactive;
    ed().inputEnded = false;
}

void setLineReader(int (*reader)(const std::string& prompt, std::string& line)) {
    ed().lineReader = reader;
}

bool openDrawing(const std::string& path) {
    std::string error;
    if (!openDocument(path, error)) {
        hostError("cadhost: cannot open " + path + ": " + error);
        return false;
    }
    return true;
}

void newDrawing() {
    newDocument();
}

bool loadModuleFile(const std::string& path) {
    return loadModule(path, true);
}

void runCommandLoop() {
    Editor& e = ed();
    // Enter on the command prompt repeats the last command, as in the real
    // editor (script files rely on it); LISP expressions are not repeated.
    std::string lastCommand;
    bool cancelledBefore = false;  // the last command prompt was cancelled
    while (!e.quitRequested) {
        // Input that ended inside a command (at QUIT's question, say) ends the
        // session as input that ends on the command prompt does.
        if (e.inputEnded) break;
        std::string line;
        int rc = readAnswer("\nCommand: ", line, false);
        if (rc != RTNORM) {
            if (e.inputEnded) break;
            // On a terminal a second Ctrl-C at the empty command prompt asks
            // to end the session, as QUIT does (with its save question).
            if (e.interactive && e.lineReader && cancelledBefore) {
                cancelledBefore = false;
                runCommand("QUIT");
                continue;
            }
            cancelledBefore = true;
            continue;
        }
        cancelledBefore = false;
        line = trim(line);
        if (line.empty()) {
            if (lastCommand.empty()) continue;
            line = lastCommand;
        }
        if (line[0] == '(') {
            if (!evaluateLisp(line, nullptr)) e.scriptFailed = true;
            continue;
        }
        // On the command prompt a blank ends the command name, as in script files;
        // the words after it answer its first prompts.
        std::vector<std::string> words;
        std::size_t i = 0;
        while (i < line.size()) {
            while (i < line.size() && line[i] == ' ') ++i;
            std::size_t s = i;
            while (i < line.size() && line[i] != ' ') ++i;
            if (i > s) words.push_back(line.substr(s, i - s));
        }
        e.pendingAnswers.assign(words.begin() + 1, words.end());
        lastCommand = words[0];
        runCommand(words[0]);
        e.pendingAnswers.clear();
    }
}

bool scriptFailed() {
    return ed().scriptFailed;
}

void endSession() {
    Editor& e = ed();
    // Input that ends without QUIT has nobody to ask about unsaved changes:
    // they are given up, and the user is told which drawings lost them.
    if (!e.quitRequested)
        for (auto& d : e.documents)
            if (d->db->isModified()) print("\nChanges to " + displayName(d.get()) + " were not saved.");
    unloadAllModules();
    while (!e.documents.empty()) {
        std::unique_ptr<Document> d = std::move(e.documents.back());
        e.documents.pop_back();
    }
    makeCurrent(nullptr);
    e.selectionSets.clear();
    for (auto& [k, v] : e.hostVars) acutRelRb(v);
    e.hostVars.clear();
    if (e.funResult) acutRelRb(e.funResult);
    e.funResult = nullptr;
    print("\n");
}

}  // namespace arxed
