#include "platform/module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/utf8.h"

// A handle is the address of one of these records. Host modules are never
// unloaded; a shared library is closed when its load count drops to zero.
struct HINSTANCE__ {
    std::string name;  // host module name (lower case) or full path
    bool hostModule = false;
    void* dl = nullptr;
    int loads = 0;
    std::map<std::string, FARPROC> exports;
};

namespace {

std::mutex mutex;
// Host modules by lower-case name; libraries by their real path.
std::map<std::string, std::unique_ptr<HINSTANCE__>>& hostModules() {
    static std::map<std::string, std::unique_ptr<HINSTANCE__>> m;
    return m;
}
std::map<std::string, std::unique_ptr<HINSTANCE__>>& libraries() {
    static std::map<std::string, std::unique_ptr<HINSTANCE__>> m;
    return m;
}
thread_local std::string lastError;

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

HINSTANCE__* findLibrary(const std::string& path) {
    auto it = libraries().find(path);
    return it == libraries().end() ? nullptr : it->second.get();
}

bool isKnown(HMODULE m) {
    if (!m) return false;
    for (auto& [k, v] : hostModules())
        if (v.get() == m) return true;
    for (auto& [k, v] : libraries())
        if (v.get() == m) return true;
    return false;
}

}  // namespace

HMODULE LoadLibraryW(const char16_t* fileName) {
    std::lock_guard lock(mutex);
    if (!fileName || !*fileName) {
        lastError = "no module name given";
        return nullptr;
    }
    std::string name = platform::utf16ToUtf8(fileName);
    auto host = hostModules().find(lower(name));
    if (host != hostModules().end()) {
        ++host->second->loads;
        return host->second.get();
    }
    if (name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
        access(name.c_str(), F_OK) != 0) {
        lastError = "no such module: " + name;
        return nullptr;
    }
    char* real = realpath(name.c_str(), nullptr);
    if (!real) {
        lastError = "cannot find " + name;
        return nullptr;
    }
    std::string path(real);
    free(real);
    if (HINSTANCE__* m = findLibrary(path)) {
        ++m->loads;
        return m;
    }
    void* dl = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!dl) {
        const char* e = dlerror();
        lastError = e ? e : ("cannot load " + path);
        return nullptr;
    }
    auto m = std::make_unique<HINSTANCE__>();
    m->name = path;
    m->dl = dl;
    m->loads = 1;
    HINSTANCE__* p = m.get();
    libraries()[path] = std::move(m);
    return p;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    std::lock_guard lock(mutex);
    if (!procName || !isKnown(module)) return nullptr;
    if (module->hostModule) {
        auto it = module->exports.find(procName);
        return it == module->exports.end() ? nullptr : it->second;
    }
    if (!module->dl) return nullptr;
    void* sym = dlsym(module->dl, procName);
    FARPROC fn = nullptr;
    static_assert(sizeof(fn) == sizeof(sym));
    __builtin_memcpy(&fn, &sym, sizeof(fn));
    return fn;
}

BOOL FreeLibrary(HMODULE module) {
    std::lock_guard lock(mutex);
    if (!isKnown(module) || module->loads <= 0) return 0;
    if (module->hostModule) {
        --module->loads;
        return 1;
    }
    if (--module->loads > 0) return 1;
    if (module->dl) dlclose(module->dl);
    libraries().erase(module->name);
    return 1;
}

DWORD GetModuleFileNameW(HMODULE module, char16_t* fileName, DWORD size) {
    std::string path;
    {
        std::lock_guard lock(mutex);
        if (!module) {
            char buf[4096];
            ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
            if (n <= 0) return 0;
            path.assign(buf, static_cast<std::size_t>(n));
        } else if (isKnown(module)) {
            path = module->name;
        } else {
            return 0;
        }
    }
    if (!fileName || size == 0) return 0;
    std::u16string w = platform::utf8ToUtf16(path);
    DWORD n = static_cast<DWORD>(w.size() < size ? w.size() : size - 1);
    for (DWORD i = 0; i < n; ++i) fileName[i] = w[i];
    fileName[n] = 0;
    return n;
}

BOOL GetModuleHandleExW(DWORD flags, const void* address, HMODULE* module) {
    if (!module) return 0;
    *module = nullptr;
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS) || !address) return 0;
    Dl_info info{};
    if (!dladdr(address, &info) || !info.dli_fname) return 0;
    char* real = realpath(info.dli_fname, nullptr);
    if (!real) return 0;
    std::string path(real);
    free(real);
    std::lock_guard lock(mutex);
    HINSTANCE__* m = findLibrary(path);
    if (!m) return 0;  // only modules loaded through LoadLibraryW have handles
    if (!(flags & GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT)) ++m->loads;
    *module = m;
    return 1;
}

const char* moduleLastError() {
    return lastError.c_str();
}

void registerHostExport(const char* moduleName, const char* exportName, FARPROC fn) {
    if (!moduleName || !exportName) return;
    std::lock_guard lock(mutex);
    auto& slot = hostModules()[lower(moduleName)];
    if (!slot) {
        slot = std::make_unique<HINSTANCE__>();
        slot->name = lower(moduleName);
        slot->hostModule = true;
    }
    slot->exports[exportName] = fn;
}
