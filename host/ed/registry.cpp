// The system registry with the command stack and the dynamic linker, and the
// demand-load entries of AcadAppInfo.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "host/ed/editor.h"
#include "host/ed/modules.h"

ARXED_DEFINE_MEMBERS(AcRxDictionary, AcRxObject)
ARXED_DEFINE_MEMBERS(AcEdCommandStack, AcRxObject)
ARXED_DEFINE_MEMBERS(AcEdCommand, AcRxObject)
ARXED_DEFINE_MEMBERS(AcRxDynamicLinker, AcRxObject)

namespace arxed {
namespace {

class CommandObject : public AcEdCommand {
public:
    explicit CommandObject(Command* c) : c_(c) {}
    const ACHAR* globalName() const override { return c_->globalHost.c_str(); }
    const ACHAR* localName() const override { return c_->localHost.c_str(); }
    int32_t commandFlags() const override { return c_->flags; }
    AcRxFunctionPtr functionAddr() const override { return c_->function; }
    HINSTANCE resourceHandle() const override { return c_->resources; }

private:
    Command* c_;
};

bool validName(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') return false;
    return true;
}

class CommandStack : public AcEdCommandStack {
public:
    Acad::ErrorStatus addCommand(const ACHAR* groupName, const ACHAR* globalName, const ACHAR* localName,
                                 int32_t flags, AcRxFunctionPtr function, AcEdUIContext*, int,
                                 HINSTANCE resourceHandle, AcEdCommand** cmdPtrRet) override {
        if (cmdPtrRet) *cmdPtrRet = nullptr;
        std::string group = toUtf8(groupName), global = toUtf8(globalName), local = toUtf8(localName);
        if (local.empty()) local = global;
        if (!function || !validName(global) || !validName(local)) return Acad::eInvalidInput;
        // A name may be used once in a group (global and local names alike).
        for (auto& c : ed().commands) {
            if (!sameName(c->group, group)) continue;
            if (sameName(c->global, global) || sameName(c->local, local) || sameName(c->global, local) ||
                sameName(c->local, global))
                return Acad::eDuplicateKey;
        }
        auto c = std::make_unique<Command>();
        c->group = group;
        c->global = global;
        c->local = local;
        c->globalHost = fromUtf8(global);
        c->localHost = fromUtf8(local);
        c->flags = flags;
        c->function = function;
        c->resources = resourceHandle;
        c->owner = ed().running ? ed().running : moduleOfAddress(reinterpret_cast<const void*>(function));
        c->object = new CommandObject(c.get());
        if (cmdPtrRet) *cmdPtrRet = c->object;
        ed().commands.push_back(std::move(c));
        return Acad::eOk;
    }

    Acad::ErrorStatus removeCmd(const ACHAR* groupName, const ACHAR* globalName) override {
        std::string group = toUtf8(groupName), global = toUtf8(globalName);
        auto& cmds = ed().commands;
        for (auto it = cmds.begin(); it != cmds.end(); ++it) {
            if (sameName((*it)->group, group) && sameName((*it)->global, global)) {
                delete (*it)->object;
                cmds.erase(it);
                return Acad::eOk;
            }
        }
        return Acad::eKeyNotFound;
    }

    Acad::ErrorStatus removeGroup(const ACHAR* groupName) override {
        std::string group = toUtf8(groupName);
        auto& cmds = ed().commands;
        bool any = false;
        for (auto it = cmds.begin(); it != cmds.end();) {
            if (sameName((*it)->group, group)) {
                delete (*it)->object;
                it = cmds.erase(it);
                any = true;
            } else {
                ++it;
            }
        }
        return any ? Acad::eOk : Acad::eKeyNotFound;
    }

    AcEdCommand* lookupCmd(const ACHAR* cmdName, bool globalFlag) override {
        Command* c = findCommand(toUtf8(cmdName), globalFlag);
        return c ? c->object : nullptr;
    }
};

class DynamicLinker : public AcRxDynamicLinker {
public:
    bool unlockApplication(void* appId) const override { return setLock(appId, false); }
    bool lockApplication(void* appId) const override { return setLock(appId, true); }
    bool isApplicationLocked(const ACHAR* name) const override {
        Module* m = findModule(toUtf8(name));
        return m && m->locked;
    }
    bool registerAppMDIAware(void* appId) const override {
        Module* m = byId(appId);
        if (m) m->mdiAware = true;
        return m != nullptr;
    }
    bool registerAppNotMDIAware(void* appId) const override {
        Module* m = byId(appId);
        if (m) m->mdiAware = false;
        return m != nullptr;
    }
    bool loadModule(const ACHAR* fileName, bool printit, bool) override {
        return arxed::loadModule(toUtf8(fileName), printit);
    }
    bool unloadModule(const ACHAR* fileName, bool printit, bool) override {
        return arxed::unloadModule(toUtf8(fileName), printit);
    }

private:
    static Module* byId(void* appId) {
        for (auto& m : ed().modules)
            if (static_cast<void*>(m->handle) == appId) return m.get();
        return nullptr;
    }
    static bool setLock(void* appId, bool lock) {
        Module* m = byId(appId);
        if (m) m->locked = lock;
        return m != nullptr;
    }
};

class SysRegistry : public AcRxDictionary {
public:
    AcRxObject* at(const ACHAR* key) const override {
        std::string k = toUtf8(key);
        if (k == "ACAD_REGISTERED_COMMANDS") return &stack_;
        if (k == "DynamicLinker") return &linker_;
        if (k == "AcApDocManager") return acDocManagerPtr();
        return nullptr;
    }

private:
    mutable CommandStack stack_;
    mutable DynamicLinker linker_;
};

}  // namespace

// --- the demand-load registry file -------------------------------------------
// A small text file of sections, one per application:
//   [name]
//   DESCRIPTION=...
//   LOADER=/full/path/module.arx
//   LOADCTRLS=4
//   COMMAND=GLOBAL LOCAL
//   HOST=wide
// Each host keeps entries of its own (HOST=wide or HOST=narrow), as the real
// hosts keep theirs under their own release, so that one never loads a module
// of the other build; entries without HOST (written before the hosts were told
// apart) are read by both.
std::string registryFilePath() {
    if (const char* p = std::getenv("CADHOST_REGISTRY"); p && *p) return p;
    std::string dir;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) {
        dir = x;
    } else if (const char* h = std::getenv("HOME"); h && *h) {
        dir = std::string(h) + "/.config";
    } else {
        return {};
    }
    return dir + "/cadhost/applications.ini";
}

namespace {

struct AppEntry {
    std::string name, description, loader, host;
    int loadCtrls = 0;
    std::vector<std::pair<std::string, std::string>> commands;
};

const char* thisHost() {
#ifdef ARX_NARROW
    return "narrow";
#else
    return "wide";
#endif
}

bool ofThisHost(const AppEntry& a) { return a.host.empty() || a.host == thisHost(); }

// The entry of this host for an application, or null. One written for this
// host wins over one that names no host.
AppEntry* entryFor(std::vector<AppEntry>& apps, const std::string& name) {
    AppEntry* found = nullptr;
    for (AppEntry& e : apps)
        if (ofThisHost(e) && sameName(e.name, name) && (!found || !e.host.empty())) found = &e;
    return found;
}

std::vector<AppEntry> readRegistry() {
    std::vector<AppEntry> apps;
    std::ifstream in(registryFilePath());
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            apps.push_back({});
            apps.back().name = line.substr(1, line.size() - 2);
            continue;
        }
        if (apps.empty()) continue;
        auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        AppEntry& a = apps.back();
        if (key == "DESCRIPTION") a.description = value;
        else if (key == "LOADER") a.loader = value;
        else if (key == "LOADCTRLS") a.loadCtrls = std::atoi(value.c_str());
        else if (key == "HOST") a.host = value;
        else if (key == "COMMAND") {
            auto sp = value.find(' ');
            a.commands.emplace_back(value.substr(0, sp), sp == std::string::npos ? value : value.substr(sp + 1));
        }
    }
    return apps;
}

void makeParents(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i)
        if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

bool writeRegistry(const std::vector<AppEntry>& apps) {
    std::string path = registryFilePath();
    if (path.empty()) return false;
    makeParents(path);
    std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) return false;
        for (const AppEntry& a : apps) {
            out << '[' << a.name << "]\nDESCRIPTION=" << a.description << "\nLOADER=" << a.loader
                << "\nLOADCTRLS=" << a.loadCtrls << '\n';
            for (auto& [g, l] : a.commands) out << "COMMAND=" << g << ' ' << l << '\n';
            if (!a.host.empty()) out << "HOST=" << a.host << '\n';
        }
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

// Names in the file are one line each: no line breaks or brackets inside.
std::string oneLine(std::string s) {
    for (char& c : s)
        if (c == '\n' || c == '\r') c = ' ';
    return s;
}

}  // namespace

bool loadFromDemandRegistry(const std::string& commandName) {
    for (const AppEntry& a : readRegistry()) {
        if (!ofThisHost(a) || !(a.loadCtrls & AcadAppInfo::kOnCommandInvocation)) continue;
        for (auto& [g, l] : a.commands) {
            if (!sameName(g, commandName) && !sameName(l, commandName)) continue;
            if (findModule(a.loader)) return false;  // loaded already, and still no command
            print("\nLoading " + a.name + " for the command " + commandName + "...");
            return loadModule(a.loader, true);
        }
    }
    return false;
}

}  // namespace arxed

AcRxDictionary* acrxSysRegistry() {
    static arxed::SysRegistry registry;
    return &registry;
}

const char* acrxMessageName(int code) {
    static const char* const names[] = {"kNullMsg",       "kInitAppMsg",      "kUnloadAppMsg",    "kLoadDwgMsg",
                                        "kUnloadDwgMsg",  "kInvkSubrMsg",     "kCfgMsg",          "kEndMsg",
                                        "kQuitMsg",       "kSaveMsg",         "kDependencyMsg",   "kNoDependencyMsg",
                                        "kOleUnloadAppMsg", "kPreQuitMsg",    "kInitDialogMsg",   "kEndDialogMsg"};
    return code >= 0 && code <= 15 ? names[code] : "kUnknownMsg";
}

// --- AcadAppInfo ---------------------------------------------------------------
struct AcadAppInfo::State {
    arxed::HostString name, module, desc;
    LoadReasons reasons = kOnLoadRequest;
};

AcadAppInfo::AcadAppInfo() : state_(new State) {}
AcadAppInfo::~AcadAppInfo() { delete state_; }
void AcadAppInfo::setAppName(const ACHAR* name) { state_->name = name ? name : ACRX_T(""); }
const ACHAR* AcadAppInfo::appName() const { return state_->name.c_str(); }
void AcadAppInfo::setModuleName(const ACHAR* path) { state_->module = path ? path : ACRX_T(""); }
const ACHAR* AcadAppInfo::moduleName() const { return state_->module.c_str(); }
void AcadAppInfo::setAppDesc(const ACHAR* text) { state_->desc = text ? text : ACRX_T(""); }
const ACHAR* AcadAppInfo::appDesc() const { return state_->desc.c_str(); }
void AcadAppInfo::setLoadReason(LoadReasons reasons) { state_->reasons = reasons; }
AcadAppInfo::LoadReasons AcadAppInfo::loadReason() const { return state_->reasons; }

AcadAppInfo::appInfoReturnCode AcadAppInfo::writeToRegistry() {
    using namespace arxed;
    std::string name = oneLine(toUtf8(state_->name));
    if (name.empty() || name.find_first_of("[]") != std::string::npos) return eNoAppName;
    std::vector<AppEntry> apps = readRegistry();
    AppEntry* a = entryFor(apps, name);
    if (!a) {
        apps.push_back({});
        a = &apps.back();
        a->name = name;
    }
    a->host = thisHost();
    a->description = oneLine(toUtf8(state_->desc));
    a->loader = oneLine(toUtf8(state_->module));
    a->loadCtrls = state_->reasons;
    a->commands.clear();
    return writeRegistry(apps) ? eOk : eRegistryWriteFailed;
}

AcadAppInfo::appInfoReturnCode AcadAppInfo::writeCommandNameToRegistry(const ACHAR* globalName,
                                                                        const ACHAR* localName) {
    using namespace arxed;
    std::string name = toUtf8(state_->name);
    std::string g = oneLine(toUtf8(globalName)), l = oneLine(toUtf8(localName));
    if (g.empty() || g.find(' ') != std::string::npos) return eRegistryWriteFailed;
    if (l.empty()) l = g;
    std::vector<AppEntry> apps = readRegistry();
    AppEntry* e = entryFor(apps, name);
    if (!e) return eNoAppName;
    for (auto& [og, ol] : e->commands)
        if (sameName(og, g)) {
            ol = l;
            return writeRegistry(apps) ? eOk : eRegistryWriteFailed;
        }
    e->commands.emplace_back(g, l);
    return writeRegistry(apps) ? eOk : eRegistryWriteFailed;
}

AcadAppInfo::appInfoReturnCode AcadAppInfo::readFromRegistry() {
    using namespace arxed;
    std::string name = toUtf8(state_->name);
    std::vector<AppEntry> apps = readRegistry();
    const AppEntry* e = entryFor(apps, name);
    if (!e) return eNoAppName;
    state_->desc = fromUtf8(e->description);
    state_->module = fromUtf8(e->loader);
    state_->reasons = static_cast<LoadReasons>(e->loadCtrls);
    return eOk;
}
