#include "host/ed/modules.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "host/acrxapp.h"
#include "host/ed/editor.h"

// Which character generation this build of the services is. A module links
// one of the two builds; the host looks the other build's marker up through the
// module's own dependencies to refuse a module of the other generation.
#ifdef ARX_NARROW
extern "C" ARXED_API const int arxed_narrow_services = 1;
#define OTHER_BUILD_MARKER "arxed_wide_services"
#else
extern "C" ARXED_API const int arxed_wide_services = 1;
#define OTHER_BUILD_MARKER "arxed_narrow_services"
#endif

namespace arxed {

namespace {

std::string fileNameOf(const std::string& path) {
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool exists(const std::string& p) {
    return access(p.c_str(), F_OK) == 0;
}

std::string programDir() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<std::size_t>(n));
    return p.substr(0, p.find_last_of('/'));
}

// The file a module name means: as given, with ".arx" added, or next to the program.
std::string resolveModule(const std::string& name) {
    std::vector<std::string> tries{name};
    bool hasExt = fileNameOf(name).find('.') != std::string::npos;
    if (!hasExt) tries.push_back(name + ".arx");
    if (name.find('/') == std::string::npos) {
        tries.push_back(programDir() + "/" + name);
        if (!hasExt) tries.push_back(programDir() + "/" + name + ".arx");
    }
    for (const std::string& t : tries)
        if (exists(t)) {
            char* real = realpath(t.c_str(), nullptr);
            std::string r = real ? real : t;
            free(real);
            return r;
        }
    return {};
}

// Whether the module file names a library of the other build among the ones
// it needs. Checked before loading: loading it would bring the other build's
// copy of the interface into this process.
bool needsOtherBuild(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::string bytes;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
#ifdef ARX_NARROW
    const char* const others[] = {"libarxed.so", "libarxhost.so"};
#else
    const char* const others[] = {"libarxed_narrow.so", "libarxhost_narrow.so"};
#endif
    for (const char* o : others)
        if (bytes.find(std::string(o) + '\0') != std::string::npos) return true;
    return false;
}

template <class F>
F symbol(HMODULE h, const char* name) {
    FARPROC p = GetProcAddress(h, name);
    return reinterpret_cast<F>(p);
}

const char* buildName(bool narrow) {
    return narrow ? "narrow-string (code page 1251)" : "wide-string (UTF-16)";
}

}  // namespace

Module* findModule(std::string_view nameOrPath) {
    std::string n(nameOrPath);
    std::string resolved = resolveModule(n);
    for (auto& m : ed().modules) {
        if (m->path == n || (!resolved.empty() && m->path == resolved) || sameName(m->name, n) ||
            sameName(m->name, n + ".arx"))
            return m.get();
    }
    return nullptr;
}

Module* moduleOfAddress(const void* address) {
    Dl_info info{};
    if (!address || !dladdr(address, &info) || !info.dli_fname) return nullptr;
    char* real = realpath(info.dli_fname, nullptr);
    std::string path = real ? real : info.dli_fname;
    free(real);
    for (auto& m : ed().modules)
        if (m->path == path) return m.get();
    return nullptr;
}

int sendMessage(Module& m, AcRx::AppMsgCode msg) {
    int status = 0;
    asModule(&m, [&] { status = static_cast<int>(m.entry(msg, static_cast<void*>(m.handle))); });
    return status;
}

void sendToAll(AcRx::AppMsgCode msg) {
    // A module may unload others while it handles a message: walk a copy.
    std::vector<Module*> list;
    for (auto& m : ed().modules) list.push_back(m.get());
    for (Module* m : list)
        if (std::any_of(ed().modules.begin(), ed().modules.end(), [&](auto& p) { return p.get() == m; }))
            sendMessage(*m, msg);
}

namespace {

void dropModule(Module* m) {
    removeCommandsOf(m);
    removeLispOf(m);
    HMODULE h = m->handle;
    auto& mods = ed().modules;
    mods.erase(std::remove_if(mods.begin(), mods.end(), [&](auto& p) { return p.get() == m; }), mods.end());
    FreeLibrary(h);
}

// kLoadDwgMsg / kUnloadDwgMsg for every open document, each made current in turn.
void sendPerDocument(Module& m, AcRx::AppMsgCode msg) {
    Document* saved = ed().current;
    std::vector<Document*> docs;
    for (auto& d : ed().documents) docs.push_back(d.get());
    for (Document* d : docs) {
        makeCurrent(d);
        sendMessage(m, msg);
    }
    makeCurrent(saved);
}

}  // namespace

bool loadModule(const std::string& nameOrPath, bool printit) {
    auto fail = [&](const std::string& why) {
        print("\nCannot load " + nameOrPath + ": " + why);
        ed().scriptFailed = true;
        return false;
    };
    if (nameOrPath.empty()) return fail("no file name given.");
    std::string path = resolveModule(nameOrPath);
    if (path.empty()) return fail("no such file.");
    for (auto& m : ed().modules)
        if (m->path == path) {
            print("\n" + m->name + " is already loaded.");
            return true;
        }
#ifdef ARX_NARROW
    const bool narrowHost = true;
#else
    const bool narrowHost = false;
#endif
    if (needsOtherBuild(path))
        return fail(std::string("the module is built for the ") + buildName(!narrowHost) + " host; this host is " +
                    buildName(narrowHost) + ".");
    std::u16string wpath = utf8ToUtf16(path);
    HMODULE h = LoadLibraryW(wpath.c_str());
    if (!h) return fail(std::string("not a loadable module (") + moduleLastError() + ").");
    if (GetProcAddress(h, OTHER_BUILD_MARKER)) {
        FreeLibrary(h);
#ifdef ARX_NARROW
        return fail(std::string("the module is built for the ") + buildName(false) + " host; this host is " +
                    buildName(true) + ".");
#else
        return fail(std::string("the module is built for the ") + buildName(true) + " host; this host is " +
                    buildName(false) + ".");
#endif
    }
    auto entry = symbol<AcRxEntryPointFn>(h, "acrxEntryPoint");
    auto apiVersion = symbol<AcRxApiVersionFn>(h, "acrxGetApiVersion");
    if (!entry || !apiVersion) {
        FreeLibrary(h);
        return fail("it does not export acrxEntryPoint and acrxGetApiVersion (not a module of this host).");
    }
    int version = apiVersion();
    int generation = version >> 16;
    int release = ed().releaseMajor;
    if (generation > release) {
        FreeLibrary(h);
        return fail("the module needs host release " + std::to_string(generation) + " or later; this host is " +
                    std::to_string(ed().releaseMajor) + "." + std::to_string(ed().releaseMinor) + ".");
    }
#ifndef ARX_NARROW
    if (generation < 17) {
        FreeLibrary(h);
        return fail("the module is made for release " + std::to_string(generation) + ", a " + buildName(true) +
                    " host; use cadhost-narrow.");
    }
#endif
    auto m = std::make_unique<Module>();
    m->handle = h;
    m->path = path;
    m->name = fileNameOf(path);
    m->entry = entry;
    m->apiVersion = version;
    Module* mod = m.get();
    ed().modules.push_back(std::move(m));
    // An older module's pointer-table export learns the host's services first.
    if (auto setPtp = symbol<AcRxSetPtpFn>(h, ARX_SET_PTP_NAME))
        asModule(mod, [&] { setPtp(acrxSysRegistry()); });
    int status = sendMessage(*mod, AcRx::kInitAppMsg);
    if (status != AcRx::kRetOK) {
        sendMessage(*mod, AcRx::kUnloadAppMsg);
        std::string name = mod->name;
        dropModule(mod);
        print("\n" + name + " answered its initialisation with status " + std::to_string(status) +
              " and was unloaded again.");
        ed().scriptFailed = true;
        return false;
    }
    sendPerDocument(*mod, AcRx::kLoadDwgMsg);
    if (printit) print("\n" + mod->name + " loaded.");
    return true;
}

bool unloadModule(const std::string& nameOrPath, bool printit) {
    Module* m = findModule(nameOrPath);
    if (!m) {
        print("\n" + nameOrPath + " is not loaded.");
        return false;
    }
    if (m->locked) {
        print("\n" + m->name + " is locked and cannot be unloaded.");
        return false;
    }
    if (ed().running == m) {
        print("\n" + m->name + " is running and cannot be unloaded now.");
        return false;
    }
    sendPerDocument(*m, AcRx::kUnloadDwgMsg);
    int status = sendMessage(*m, AcRx::kUnloadAppMsg);
    if (status != AcRx::kRetOK) {
        print("\n" + m->name + " refused to be unloaded.");
        return false;
    }
    std::string name = m->name;
    dropModule(m);
    if (printit) print("\n" + name + " unloaded.");
    return true;
}

void unloadAllModules() {
    sendToAll(AcRx::kPreQuitMsg);
    while (!ed().modules.empty()) {
        Module* m = ed().modules.back().get();
        sendPerDocument(*m, AcRx::kUnloadDwgMsg);
        sendMessage(*m, AcRx::kQuitMsg);
        sendMessage(*m, AcRx::kUnloadAppMsg);
        dropModule(m);
    }
}

}  // namespace arxed
