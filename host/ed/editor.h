// The editor's state, shared by the service files of arxed. Not part of the
// interface modules see.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/acdocman.h"
#include "host/aced.h"
#include "host/ed/session.h"
#include "host/ed/text.h"
#include "host/rxregsvc.h"

// Class-tree members of the service classes.
#define ARXED_DEFINE_MEMBERS(CLASS, PARENT)                                   \
    AcRxClass* CLASS::desc() {                                                \
        static AcRxClass cls(ACRX_T(#CLASS), PARENT::desc());                 \
        return &cls;                                                          \
    }                                                                         \
    AcRxClass* CLASS::isA() const { return desc(); }

namespace arxed {

struct Module {
    HMODULE handle = nullptr;
    std::string path;  // full path, UTF-8
    std::string name;  // file name ("edtest.arx")
    AcRxEntryPointFn entry = nullptr;
    int apiVersion = 0;
    bool locked = true;  // until the module unlocks itself
    bool mdiAware = false;
};

struct LispFunction {
    std::string name;  // as defined
    short code = 0;
    Module* owner = nullptr;
    int (*direct)() = nullptr;
};

class Document : public AcApDocument {
public:
    Document() = default;
    ~Document() override;
    const ACHAR* fileName() const override { return pathHost.c_str(); }
    AcDbDatabase* database() const override { return db.get(); }

    std::unique_ptr<AcDbDatabase> db;
    std::string path;  // UTF-8; empty for a new drawing
    HostString pathHost;
    std::vector<LispFunction> lisp;
    // The format SAVE writes: the drawing's own until SAVEAS chooses another.
    AcDb::AcDbDwgVersion saveVersion = AcDb::kDHL_CURRENT;
};

struct Command {
    std::string group, global, local;  // UTF-8
    HostString globalHost, localHost;
    int32_t flags = 0;
    AcRxFunctionPtr function = nullptr;
    HINSTANCE resources = nullptr;
    Module* owner = nullptr;
    AcEdCommand* object = nullptr;
};

// Keywords of the pending acedInitGet.
struct KeywordSet {
    int flags = 0;
    std::vector<std::string> local, global;  // UTF-8; global[i] answers local[i]
    bool active = false;
};

struct Editor {
    // --- settings ---
    int releaseMajor = 25, releaseMinor = 0;
    double pickbox = 0.5;  // half the side of the pick square, drawing units
    std::istream* input = nullptr;
    bool interactive = false;
    // Reads a terminal line with editing (cadhost's, see session.h): 1 with a
    // line, 0 at the end of the input; null: lines come from `input`.
    int (*lineReader)(const std::string& prompt, std::string& line) = nullptr;
    bool echo = true;
    bool inputEnded = false;
    std::vector<std::string> pendingAnswers;  // words after a command name on one line

    // --- state ---
    std::vector<std::unique_ptr<Module>> modules;
    std::vector<std::unique_ptr<Document>> documents;
    Document* current = nullptr;
    std::vector<std::unique_ptr<Command>> commands;  // newest last
    Module* running = nullptr;                       // the module whose code runs now
    KeywordSet keywords;
    std::string lastInput;  // text of the last RTKWORD answer
    int errnoValue = 0;
    std::map<std::string, resbuf*> hostVars;  // editor-only variables, by folded name
    bool scriptFailed = false;
    bool quitRequested = false;
    int commandDepth = 0;

    // --- a LISP call in progress ---
    short funCode = -1;
    resbuf* funArgs = nullptr;
    resbuf* funResult = nullptr;
    bool funReturned = false;

    // --- selection sets ---
    std::map<int64_t, std::vector<AcDbObjectId>> selectionSets;
    int64_t nextSelectionSet = 1;

    std::map<std::string, std::function<void()>> builtins;  // folded name -> body
    std::map<std::string, std::string> synonyms;            // folded synonym -> folded name

    HINSTANCE resourceHandle = nullptr;
    std::vector<HINSTANCE> resourceStack;
};

Editor& ed();

// --- answers -------------------------------------------------------------------
// Shows the prompt and reads one answer. RTNORM with the line, RTCAN for "^C"
// or the end of the input.
int readAnswer(std::string_view prompt, std::string& answer);
// lispAnswers false: a line starting with ( is taken as it stands.
int readAnswer(std::string_view prompt, std::string& answer, bool lispAnswers);
bool parsePoint(const std::string& text, const double* base, double out[3]);
// The keywords the last acedInitGet set, which the next input call takes (and clears).
KeywordSet takeKeywords();
// The global keyword an answer stands for: a local keyword, "_" and a global one, or the
// leading part of exactly one keyword, letter case aside; empty when none.
std::string matchKeyword(const KeywordSet& k, const std::string& answer);
// Output of the command line (UTF-8).
void print(std::string_view utf8);
std::string trim(std::string_view s);
// The pieces of `s` between the separators ("1,2" -> "1", "2"; "" -> one empty piece).
std::vector<std::string> splitAt(std::string_view s, char separator);
// Whether an answer is one of `words`, letter case and surrounding blanks aside.
bool isAnswer(const std::string& answer, std::initializer_list<std::string> words);
// Yes, Y, Да or Д.
bool yes(const std::string& answer);

// --- files ---
// A module's drawing extension "dwg" (and a default name NAME.dwg) in this
// host's terms, "dxf" (NAME.dxf); anything else stays.
void offerHostDrawingFormat(std::string& defaultName, std::string& extension);

// --- modules and messages ---
int sendMessage(Module& m, AcRx::AppMsgCode msg);
void sendToAll(AcRx::AppMsgCode msg);
// Runs module code with `m` as the running module.
template <class F>
void asModule(Module* m, F&& f) {
    Module* saved = ed().running;
    ed().running = m;
    f();
    ed().running = saved;
}
Module* moduleOfAddress(const void* address);
Module* findModule(std::string_view nameOrPath);

// --- documents ---
Document* openDocument(const std::string& path, std::string& error);
Document* newDocument();
void closeDocument(Document* doc);
// Asks whether to save a changed drawing before it goes; false when the user
// cancels (or the save fails) and the drawing must stay.
bool offerSave(Document* doc);
void makeCurrent(Document* doc);
AcDbDatabase* workingDb();

// --- commands and LISP ---
Command* findCommand(std::string_view name, bool globalOnly);
void removeCommandsOf(Module* m);
void removeLispOf(Module* m);
// Evaluates a LISP expression line; prints its result. False on error.
std::string valueText(const resbuf* rb);
bool evaluateLisp(const std::string& line, std::string* resultText);
void registerBuiltins();
bool loadFromDemandRegistry(const std::string& commandName);
std::string registryFilePath();

// --- entities ---
bool nameToId(const ads_name name, AcDbObjectId& id);
void idToName(AcDbObjectId id, ads_name name);
std::string handleText(AcDbObjectId id);
int selectEntities(std::vector<AcDbObjectId>& out);

}  // namespace arxed
